#include "tests/window/XWindows.h"

#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace xwin {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr open() { return DisplayPtr(XOpenDisplay(nullptr)); }

bool cardinalProperty(Display* d, ::Window w, const char* name, unsigned long& value) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool ok = XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1, False, XA_CARDINAL, &type, &format,
                                       &count, &after, &data) == Success &&
                    data && count == 1 && format == 32;
    if (ok)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return ok;
}

QString titleOf(Display* d, ::Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    QString out;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data) {
        out = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
        XFree(data);
        return out;
    }
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        out = QString::fromLocal8Bit(name);
        XFree(name);
    }
    return out;
}

} // namespace

// The mapped children of the root window that belong to the process.
QList<::Window> viewable(Display* d, qint64 pid) {
    QList<::Window> out;
    ::Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n))
        return out;
    for (unsigned int i = 0; i < n; ++i) {
        unsigned long owner = 0;
        XWindowAttributes attributes;
        if (cardinalProperty(d, children[i], "_NET_WM_PID", owner) && owner == static_cast<unsigned long>(pid) &&
            XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable)
            out.append(children[i]);
    }
    if (children)
        XFree(children);
    return out;
}

int viewableWindows(qint64 pid) {
    DisplayPtr d = open();
    return d ? static_cast<int>(viewable(d.get(), pid).size()) : 0;
}

bool waitForViewableWindows(qint64 pid, int count, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (viewableWindows(pid) != count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(30);
    }
    return true;
}

Window otherWindow(qint64 pid, Window except, int timeoutMs) {
    DisplayPtr d = open();
    if (!d)
        return 0;
    QElapsedTimer clock;
    clock.start();
    do {
        for (::Window w : viewable(d.get(), pid))
            if (w != except)
                return w;
        QThread::msleep(50);
    } while (clock.elapsed() < timeoutMs);
    return 0;
}

Window findWindow(qint64 pid, const QString& titlePrefix, int timeoutMs) {
    DisplayPtr d = open();
    if (!d)
        return 0;
    QElapsedTimer clock;
    clock.start();
    do {
        Window found = 0;
        for (::Window w : viewable(d.get(), pid))
            if (!found && titleOf(d.get(), w).startsWith(titlePrefix))
                found = w;
        if (found)
            return found;
        QThread::msleep(100);
    } while (clock.elapsed() < timeoutMs);
    return 0;
}

QString title(Window window) {
    DisplayPtr d = open();
    return d ? titleOf(d.get(), window) : QString();
}

QString waitForTitle(Window window, const QString& wanted, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QString now = title(window);
    while (!now.startsWith(wanted) && clock.elapsed() < timeoutMs) {
        QThread::msleep(50);
        now = title(window);
    }
    return now;
}

bool origin(Window window, int& x, int& y) {
    DisplayPtr d = open();
    if (!d)
        return false;
    ::Window child;
    return XTranslateCoordinates(d.get(), window, DefaultRootWindow(d.get()), 0, 0, &x, &y, &child);
}

bool requestClose(Window window) {
    DisplayPtr d = open();
    if (!d)
        return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d.get(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d.get(), "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d.get(), window, False, NoEventMask, &e) != 0;
    XFlush(d.get());
    return sent;
}

} // namespace xwin
