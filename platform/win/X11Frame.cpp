#include "platform/win/X11Frame.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <cstdlib>

namespace TouchDialogs::x11 {

namespace {

xcb_atom_t frameExtentsAtom(xcb_connection_t *connection)
{
    static xcb_atom_t atom = 0;
    static xcb_connection_t *internedOn = nullptr;
    if (connection != internedOn) {
        constexpr char name[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        atom = reply ? reply->atom : 0;
        std::free(reply);
        internedOn = connection;
    }
    return atom;
}

} // namespace

quintptr frameExtentsChanged(const void *xcbEvent)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    if (!event || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return 0;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
    if (!connection || notify->atom != frameExtentsAtom(connection))
        return 0;
    return notify->window;
}

} // namespace TouchDialogs::x11
