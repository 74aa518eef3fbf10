#include "platform/app_icon.h"

#include <gdk/gdk.h>
#include <glib.h>
#include <wx/image.h>
#include <wx/log.h>

#include <filesystem>

#include "platform/wx_text.h"

namespace zovaz {

namespace {

constexpr int kIconSizes[] = {48, 128};

}  // namespace

void ClaimDesktopId() { g_set_prgname(kDesktopId); }

void CompleteStartupNotification() {
  if (gdk_display_get_default() != nullptr) gdk_notify_startup_complete();
}

std::string AppIconPath(const std::string& exeDir, int size) {
  return exeDir + "/icons/" + kDesktopId + "-" + std::to_string(size) + ".png";
}

wxIconBundle LoadAppIcons(const std::string& exeDir) {
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  wxIconBundle icons;
  for (const int size : kIconSizes) {
    const std::string path = AppIconPath(exeDir, size);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    // A damaged file must not raise wx's deferred error box at start-up.
    wxLogNull quiet;
    wxImage image;
    if (!image.LoadFile(Wx(path), wxBITMAP_TYPE_PNG) || !image.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    if (icon.IsOk()) icons.AddIcon(icon);
  }
  return icons;
}

}  // namespace zovaz
