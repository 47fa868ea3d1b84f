#!/usr/bin/python3
"""Drops files onto an X window the way a file manager does (XDND, version 5).

    xdnd_drop.py [--window ID|NAME] [--result FILE] [--timeout S] X Y PATH...

X and Y are screen (root window) coordinates; for Wine without a virtual
desktop they equal the Windows screen coordinates. --window (an X window id,
decimal or 0x..., or the window's name, which for a Wine window is its
caption) names the window the point must lie in. The drop goes to the deepest
XdndAware window under that point. The paths are Unix paths; they
are offered as text/uri-list (file:// URIs, percent-encoded, each followed by
CR LF).

Exit status 0 when the target accepted and finished the drop, non-zero with a
message on standard error otherwise. With --result the outcome is also
written to FILE ("ok" or "error: ..."), replaced atomically, for callers that
cannot wait for this process (Wine gives no handle for a Unix process).

A target that refuses the drop (a Wine window before DragAcceptFiles ran) is
asked again until the timeout.
"""

import argparse
import os
import select
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, error
from Xlib.protocol import event

XDND_VERSION = 5


class DropError(Exception):
    pass


def uri_list(paths):
    """The text/uri-list body for paths: one file:// URI per path, CR LF after each."""
    lines = []
    for path in paths:
        raw = os.fsencode(os.path.abspath(path))
        lines.append(b"file://" + urllib.parse.quote_from_bytes(raw, safe="/").encode("ascii"))
    return b"".join(line + b"\r\n" for line in lines)


class Source:
    def __init__(self, disp):
        self.d = disp
        self.root = disp.screen().root
        self.atoms = {}
        self.window = self.root.create_window(
            -10, -10, 1, 1, 0, X.CopyFromParent, event_mask=X.PropertyChangeMask)
        self.data = b""

    def atom(self, name):
        if name not in self.atoms:
            self.atoms[name] = self.d.intern_atom(name)
        return self.atoms[name]

    def server_time(self):
        """A real server timestamp, from the PropertyNotify of a dummy change."""
        prop = self.atom("MOXLYN_XDND_TIME")
        self.window.change_property(prop, Xatom.STRING, 8, b"t")
        self.d.flush()
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            ev = self.next_event(deadline)
            if ev is not None and ev.type == X.PropertyNotify and ev.atom == prop:
                return ev.time
        return X.CurrentTime

    # --- finding the target --------------------------------------------------

    def window_name(self, win):
        for prop, kind in ((self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING")),
                           (Xatom.WM_NAME, X.AnyPropertyType)):
            try:
                value = win.get_property(prop, kind, 0, 1024)
            except error.XError:
                return None
            if value is not None and value.value:
                raw = value.value
                if isinstance(raw, str):
                    return raw
                return bytes(raw).decode("utf-8", "replace")
        return None

    def find_named(self, name):
        """The topmost viewable window named name (children come bottom to top)."""
        found = []

        def walk(win):
            try:
                attrs = win.get_attributes()
                children = win.query_tree().children
            except error.XError:
                return
            if attrs.map_state == X.IsViewable and self.window_name(win) == name:
                found.append(win)
            for child in children:
                walk(child)

        walk(self.root)
        if not found:
            raise DropError("no viewable window named %r" % name)
        return found[-1]

    def require_inside(self, win, root_x, root_y):
        if win == self.root:
            return
        r = win.translate_coords(self.root, root_x, root_y)
        geometry = win.get_geometry()
        if not (0 <= r.x < geometry.width and 0 <= r.y < geometry.height):
            raise DropError("the point %d,%d is outside the window" % (root_x, root_y))

    def aware(self, win):
        try:
            prop = win.get_property(self.atom("XdndAware"), Xatom.ATOM, 0, 1)
        except error.XError:
            return False
        return prop is not None and len(prop.value) > 0

    def deepest_aware(self, start, root_x, root_y):
        """The deepest XdndAware window under the root point, searched from start."""
        best = start if self.aware(start) else None
        current = start
        while True:
            r = current.translate_coords(self.root, root_x, root_y)
            child = r.child
            if not child or child == X.NONE:
                break
            current = self.d.create_resource_object("window", getattr(child, "id", child))
            if self.aware(current):
                best = current
        if best is None:
            raise DropError("no XdndAware window at %d,%d" % (root_x, root_y))
        return best

    # --- events --------------------------------------------------------------

    def next_event(self, deadline):
        """The next event, answering selection requests on the way; None at the deadline."""
        while True:
            if self.d.pending_events():
                ev = self.d.next_event()
                if ev.type == X.SelectionRequest:
                    self.answer(ev)
                    continue
                return ev
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return None
            select.select([self.d.fileno()], [], [], min(remaining, 0.05))

    def answer(self, req):
        """Hands the URI list over at once: the target waits only briefly."""
        prop = req.property if req.property != X.NONE else req.target
        if req.selection == self.atom("XdndSelection") and req.target in (
                self.atom("text/uri-list"), self.atom("TARGETS")):
            if req.target == self.atom("TARGETS"):
                req.requestor.change_property(prop, Xatom.ATOM, 32, [self.atom("text/uri-list")])
            else:
                req.requestor.change_property(prop, req.target, 8, self.data)
        else:
            prop = X.NONE
        notify = event.SelectionNotify(time=req.time, requestor=req.requestor,
                                       selection=req.selection, target=req.target,
                                       property=prop)
        req.requestor.send_event(notify)
        self.d.flush()

    def wait_message(self, name, deadline):
        wanted = self.atom(name)
        while True:
            ev = self.next_event(deadline)
            if ev is None:
                return None
            if ev.type == X.ClientMessage and ev.client_type == wanted:
                return ev

    def send(self, target, name, data):
        msg = event.ClientMessage(window=target, client_type=self.atom(name),
                                  data=(32, list(data) + [0] * (5 - len(data))))
        target.send_event(msg)
        self.d.flush()

    # --- the drop ------------------------------------------------------------

    def drop(self, target, root_x, root_y, timeout):
        stamp = self.server_time()
        self.window.set_selection_owner(self.atom("XdndSelection"), stamp)
        self.d.flush()
        src = self.window.id
        uri = self.atom("text/uri-list")
        copy = self.atom("XdndActionCopy")
        deadline = time.monotonic() + timeout
        while True:
            self.send(target, "XdndEnter", [src, XDND_VERSION << 24, uri, 0, 0])
            self.send(target, "XdndPosition", [src, 0, (root_x << 16) | root_y, stamp, copy])
            status = self.wait_message("XdndStatus", min(deadline, time.monotonic() + 1))
            if status is not None and status.data[1][1] & 1:
                break
            self.send(target, "XdndLeave", [src, 0])
            if time.monotonic() >= deadline:
                raise DropError("the target did not accept the drop")
            time.sleep(0.1)
        self.send(target, "XdndDrop", [src, 0, stamp])
        finished = self.wait_message("XdndFinished", deadline + 1)
        if finished is None:
            raise DropError("the target did not finish the drop")
        if XDND_VERSION >= 5 and not finished.data[1][1] & 1:
            raise DropError("the target refused the dropped data")


def parse_window(text):
    try:
        return int(text, 0)
    except ValueError:
        return None


def main(argv):
    parser = argparse.ArgumentParser(description="Drops files onto an X window (XDND).")
    parser.add_argument("--window", help="X window id or window name")
    parser.add_argument("--result", help="file that receives the outcome")
    parser.add_argument("--timeout", type=float, default=5.0)
    parser.add_argument("x", type=int)
    parser.add_argument("y", type=int)
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args(argv)
    try:
        disp = display.Display()
        source = Source(disp)
        source.data = uri_list(args.paths)
        if args.window is None:
            start = source.root
        elif parse_window(args.window) is not None:
            start = disp.create_resource_object("window", parse_window(args.window))
        else:
            start = source.find_named(args.window)
        root_x, root_y = args.x, args.y
        source.require_inside(start, root_x, root_y)
        target = source.deepest_aware(start, root_x, root_y)
        source.drop(target, root_x, root_y, args.timeout)
        outcome, status = "ok", 0
    except (DropError, error.XError, error.DisplayError) as failure:
        outcome, status = "error: %s" % failure, 1
        print("xdnd_drop: %s" % failure, file=sys.stderr)
    if args.result:
        temp = args.result + ".tmp"
        with open(temp, "w", encoding="utf-8") as out:
            out.write(outcome + "\n")
        os.replace(temp, args.result)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
