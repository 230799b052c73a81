#!/usr/bin/env python3
"""A drag source of the X drag-and-drop protocol (XDND 5), as a file manager is one: drags files
onto a window and drops them there.

    scripts/xdnd_drop.py WINDOW X Y FILE...
    scripts/xdnd_drop.py WINDOW X Y --text TEXT

WINDOW is an X window id (decimal or 0x hex, as xdotool prints it); X Y a point in it. The files
are offered as text/uri-list (and text/plain, their paths, as file managers do); --text offers
TEXT alone, as text/plain, as a text editor does. Prints what the target answered; exit status
0 when it took the drop and said it had finished, 1 when not.
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display
from Xlib.protocol import event

XDND_VERSION = 5
TIMEOUT = 10.0


def main():
    if len(sys.argv) < 5:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    target_id = int(sys.argv[1], 0)
    at_x, at_y = int(sys.argv[2]), int(sys.argv[3])
    files = sys.argv[4:]
    text_only = files[0] == "--text"
    uri_list = "".join("file://" + urllib.parse.quote(f) + "\r\n" for f in files).encode()
    plain = " ".join(files[1:]).encode() if text_only else "\n".join(files).encode()

    d = display.Display()
    atom = lambda name: d.intern_atom(name)
    aware, selection = atom("XdndAware"), atom("XdndSelection")
    enter, position, status = atom("XdndEnter"), atom("XdndPosition"), atom("XdndStatus")
    drop, finished, leave = atom("XdndDrop"), atom("XdndFinished"), atom("XdndLeave")
    copy = atom("XdndActionCopy")
    uri_type, text_type = atom("text/uri-list"), atom("text/plain")
    offered = {text_type: plain} if text_only else {uri_type: uri_list, text_type: plain}
    types = list(offered) + [0] * (3 - len(offered))

    root = d.screen().root
    target = d.create_resource_object("window", target_id)
    if target.get_full_property(aware, X.AnyPropertyType) is None:
        print("the window takes no drops (no XdndAware)", file=sys.stderr)
        return 1
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, X.InputOutput,
                                event_mask=X.PropertyChangeMask)
    # A server time for the selection and the messages: a property change tells it.
    source.change_property(atom("TessavoxDragSource"), Xatom.STRING, 8, b"1")
    d.flush()
    now = X.CurrentTime
    while True:
        e = d.next_event()
        if e.type == X.PropertyNotify and e.window.id == source.id:
            now = e.time
            break
    source.set_selection_owner(selection, now)
    if d.get_selection_owner(selection).id != source.id:
        print("could not own the drag selection", file=sys.stderr)
        return 1
    # The point in the root window's coordinates, as the protocol gives it.
    origin = root.translate_coords(target, 0, 0)
    root_x, root_y = origin.x + at_x, origin.y + at_y

    def send(kind, data):
        message = event.ClientMessage(window=target, client_type=kind, data=(32, data))
        target.send_event(message, event_mask=0)
        d.flush()

    send(enter, [source.id, XDND_VERSION << 24] + types)
    send(position, [source.id, 0, (root_x << 16) | root_y, now, copy])

    accepted = None
    dropped = False
    deadline = time.time() + TIMEOUT
    while time.time() < deadline:
        if not d.pending_events():
            time.sleep(0.01)
            continue
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == status and accepted is None:
            accepted = bool(e.data[1][1] & 1)
            print("status: %s" % ("accepted" if accepted else "refused"))
            if not accepted:
                send(leave, [source.id, 0, 0, 0, 0])
                return 1
            send(drop, [source.id, 0, now, 0, 0])
            dropped = True
        elif e.type == X.SelectionRequest and e.selection == selection:
            reply = event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                          target=e.target, property=X.NONE)
            if e.target in offered:
                e.requestor.change_property(e.property, e.target, 8, offered[e.target])
                reply = event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                              target=e.target, property=e.property)
            e.requestor.send_event(reply, event_mask=0)
            d.flush()
        elif e.type == X.ClientMessage and e.client_type == finished and dropped:
            took = bool(e.data[1][1] & 1)
            print("finished: %s" % ("taken" if took else "not taken"))
            return 0 if took else 1
    print("no answer within %d s" % TIMEOUT, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
