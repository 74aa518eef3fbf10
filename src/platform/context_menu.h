// The web view's right-click menu, the client's own: only what a customer
// needs, in the client's language, and nothing that puts an address on the
// clipboard or inspects the page.
#pragma once

#include <functional>
#include <string>

namespace zovaz {

class ContextMenu {
 public:
  // The items, in their order; each is the name of its action.
  static constexpr const char* kBack = "back";
  static constexpr const char* kForward = "forward";
  static constexpr const char* kReload = "reload";
  static constexpr const char* kCopy = "copy";
  static constexpr const char* kPaste = "paste";
  static constexpr const char* kSelectAll = "select-all";
  static constexpr const char* kSaveLink = "save-link";
  static constexpr const char* kPrint = "print";
  // Above them, for a misspelt word in a form: the engine's suggestions,
  // this disabled item when it has none, and its ignore and learn actions.
  static constexpr const char* kNoGuesses = "no-guesses";

  // Takes over the menu of `nativeView` (a WebKitWebView).
  explicit ContextMenu(void* nativeView);
  ~ContextMenu();
  ContextMenu(const ContextMenu&) = delete;
  ContextMenu& operator=(const ContextMenu&) = delete;

  // Gives each caption (the Czech text) in the client's language.
  void SetTranslate(std::function<std::string(const std::string&)> translate) {
    translate_ = std::move(translate);
  }
  // What "Tisk" does; without it the item does nothing.
  void OnPrint(std::function<void()> print) { print_ = std::move(print); }
  // Addresses no item may save: their file name alone would show what they
  // carry (the login address holds the password digest).
  void ProtectAddresses(std::function<bool(const std::string& address)> isProtected) {
    isProtected_ = std::move(isProtected);
  }

 private:
  static int HandleContextMenu(void* view, void* menu, void* event, void* hitTest, void* self);
  static void HandleActivate(void* action, void* parameter, void* self);
  void Run(const std::string& name);

  void* view_;
  std::string link_;  // the link under the pointer when the menu opened
  std::function<std::string(const std::string&)> translate_;
  std::function<void()> print_;
  std::function<bool(const std::string&)> isProtected_;
};

}  // namespace zovaz
