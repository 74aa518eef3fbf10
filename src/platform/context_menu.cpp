#include "platform/context_menu.h"

#include <webkit2/webkit2.h>

#include <vector>

namespace zovaz {

namespace {

// The engine's suggestions for a misspelt word, as they are (choosing one
// replaces the word), and its ignore and learn actions under the client's
// captions; each with a reference of its own.
std::vector<WebKitContextMenuItem*> SpellingItems(
    WebKitContextMenu* menu, const std::function<std::string(const std::string&)>& translate) {
  const auto caption = [&](const char* text) { return translate ? translate(text) : text; };
  std::vector<WebKitContextMenuItem*> kept;
  for (GList* it = webkit_context_menu_get_items(menu); it != nullptr; it = it->next) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(it->data);
    switch (webkit_context_menu_item_get_stock_action(item)) {
      case WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS:
        kept.push_back(item);
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND: {
        // The engine's own item would be enabled under a new caption.
        GSimpleAction* none = g_simple_action_new(ContextMenu::kNoGuesses, nullptr);
        g_simple_action_set_enabled(none, FALSE);
        kept.push_back(webkit_context_menu_item_new_from_gaction(
            G_ACTION(none), caption("Žádné návrhy").c_str(), nullptr));
        g_object_unref(none);
        break;
      }
      case WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING:
        // Apart from the words, as the engine has it.
        if (!kept.empty()) kept.push_back(webkit_context_menu_item_new_separator());
        kept.push_back(webkit_context_menu_item_new_from_stock_action_with_label(
            WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING, caption("Ignorovat slovo").c_str()));
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING:
        kept.push_back(webkit_context_menu_item_new_from_stock_action_with_label(
            WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING, caption("Přidat do slovníku").c_str()));
        break;
      default:
        break;
    }
  }
  for (WebKitContextMenuItem*& item : kept) g_object_ref_sink(item);
  return kept;
}

}  // namespace

ContextMenu::ContextMenu(void* nativeView) : view_(nativeView) {
  g_signal_connect(view_, "context-menu", G_CALLBACK(&ContextMenu::HandleContextMenu), this);
}

ContextMenu::~ContextMenu() { g_signal_handlers_disconnect_by_data(view_, this); }

int ContextMenu::HandleContextMenu(void* view, void* menu, void*, void* hitTest, void* self) {
  auto* owner = static_cast<ContextMenu*>(self);
  auto* webView = WEBKIT_WEB_VIEW(view);
  auto* hit = WEBKIT_HIT_TEST_RESULT(hitTest);
  const gchar* link = webkit_hit_test_result_context_is_link(hit)
                          ? webkit_hit_test_result_get_link_uri(hit)
                          : nullptr;
  owner->link_ = link != nullptr ? link : "";
  const bool editable = webkit_hit_test_result_context_is_editable(hit);
  const bool savable =
      !owner->link_.empty() && !(owner->isProtected_ && owner->isProtected_(owner->link_));

  struct Entry {
    const char* action;
    const char* caption;
    bool enabled;
    bool separatorBefore;
  };
  // The engine's own items go, all of them: "Copy Link" and its kin would
  // put the login address, with the password digest in it, on the
  // clipboard, and the inspector has no place in a shop window.
  const Entry entries[] = {
      {kBack, "Zpět", webkit_web_view_can_go_back(webView) != FALSE, false},
      {kForward, "Vpřed", webkit_web_view_can_go_forward(webView) != FALSE, false},
      {kReload, "Obnovit", true, false},
      {kCopy, "Kopírovat", webkit_hit_test_result_context_is_selection(hit) || editable, true},
      {kPaste, "Vložit", editable, false},
      {kSelectAll, "Vybrat vše", true, false},
      {kSaveLink, "Uložit odkaz jako…", savable, true},
      {kPrint, "Tisk", true, true},
  };
  auto* items = WEBKIT_CONTEXT_MENU(menu);
  // The engine's spelling help for the word under the pointer is the one
  // part of its menu that stays, on top, in the client's words.
  std::vector<WebKitContextMenuItem*> spelling = SpellingItems(items, owner->translate_);
  webkit_context_menu_remove_all(items);
  for (WebKitContextMenuItem* item : spelling) {
    webkit_context_menu_append(items, item);
    g_object_unref(item);
  }
  if (!spelling.empty())
    webkit_context_menu_append(items, webkit_context_menu_item_new_separator());
  for (const Entry& entry : entries) {
    if (entry.separatorBefore)
      webkit_context_menu_append(items, webkit_context_menu_item_new_separator());
    GSimpleAction* action = g_simple_action_new(entry.action, nullptr);
    g_simple_action_set_enabled(action, entry.enabled);
    g_signal_connect(action, "activate", G_CALLBACK(&ContextMenu::HandleActivate), self);
    const std::string caption =
        owner->translate_ ? owner->translate_(entry.caption) : entry.caption;
    webkit_context_menu_append(items, webkit_context_menu_item_new_from_gaction(
                                          G_ACTION(action), caption.c_str(), nullptr));
    g_object_unref(action);
  }
  return FALSE;
}

void ContextMenu::HandleActivate(void* action, void*, void* self) {
  static_cast<ContextMenu*>(self)->Run(g_action_get_name(G_ACTION(action)));
}

void ContextMenu::Run(const std::string& name) {
  auto* view = WEBKIT_WEB_VIEW(view_);
  if (name == kBack) {
    webkit_web_view_go_back(view);
  } else if (name == kForward) {
    webkit_web_view_go_forward(view);
  } else if (name == kReload) {
    webkit_web_view_reload(view);
  } else if (name == kCopy) {
    webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_COPY);
  } else if (name == kPaste) {
    webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_PASTE);
  } else if (name == kSelectAll) {
    webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_SELECT_ALL);
  } else if (name == kSaveLink) {
    // The digest may have changed while the menu was open.
    if (link_.empty() || (isProtected_ && isProtected_(link_))) return;
    // The download goes the way of every other (see WebDownloads).
    g_object_unref(webkit_web_view_download_uri(view, link_.c_str()));
  } else if (name == kPrint) {
    if (print_) print_();
  }
}

}  // namespace zovaz
