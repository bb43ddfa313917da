#include "shell/X11Selection.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace flitbar::X11Selection {

namespace {

xcb_connection_t* connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

bool hasOwner(const char* name) {
  xcb_connection_t* const x = connection();
  if (!x) return false;
  xcb_intern_atom_reply_t* const atom =
      xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  if (!atom) return false;
  // An atom nobody interned yet cannot name an owned selection.
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* const owner =
      xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, selection), nullptr);
  if (!owner) return false;
  const bool owned = owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return owned;
}

bool hasScreenOwner(const char* prefix) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return false;
  // Qt keeps the default screen in the DISPLAY variable's ".n" suffix; 0 when there is none.
  const QByteArray display = qgetenv("DISPLAY");
  const qsizetype dot = display.lastIndexOf('.');
  const int lastColon = display.lastIndexOf(':');
  const QByteArray screen = dot > lastColon ? display.mid(dot + 1) : QByteArray("0");
  return hasOwner((std::string(prefix) + screen.toStdString()).c_str());
}

}  // namespace flitbar::X11Selection
