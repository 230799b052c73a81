#!/usr/bin/python3
"""Prints every key press and release the X server sees, with the server's own time in
milliseconds, one line each: "press|release KEYNAME TIME". Runs until it is killed.
The place-timing check uses it to know when each key really went down."""
import sys

from Xlib import X, XK, display
from Xlib.ext import record
from Xlib.protocol import rq

local = display.Display()
names = {}
for name in ("space", "Home", "End", "Control_L", "Return"):
    names[local.keysym_to_keycode(XK.string_to_keysym(name))] = name
recorder = display.Display()
context = recorder.record_create_context(
    0, [record.AllClients],
    [{"core_requests": (0, 0), "core_replies": (0, 0), "ext_requests": (0, 0, 0, 0),
      "ext_replies": (0, 0, 0, 0), "delivered_events": (0, 0),
      "device_events": (X.KeyPress, X.KeyRelease), "errors": (0, 0),
      "client_started": False, "client_died": False}])


def seen(reply):
    if reply.category != record.FromServer or reply.client_swapped or not reply.data:
        return
    data = reply.data
    while data:
        event, data = rq.EventField(None).parse_binary_value(data, recorder.display, None, None)
        kind = "press" if event.type == X.KeyPress else "release"
        print(kind, names.get(event.detail, str(event.detail)), event.time, flush=True)


print("ready", flush=True)
recorder.record_enable_context(context, seen)
