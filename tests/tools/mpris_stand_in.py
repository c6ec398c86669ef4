#!/usr/bin/python3
"""Stands in for a media player on the session bus in the Linux system tests.

  mpris_stand_in.py RECORD [BUS_NAME_SUFFIX [LOOP_STATUS [PLAYBACK_STATUS]]]

Owns "org.mpris.MediaPlayer2.<suffix>" (default "IronwoodStandIn") on the session bus of its
environment, starting with the loop status (default "None") and playback status (default
"Stopped") given; Play makes it "Playing" and Stop "Stopped". It serves the root and player
interfaces at /org/mpris/MediaPlayer2 and appends one line to RECORD for each call the saver
relies on: "LoopStatus=<value>" for each property set, "Play", "Stop", "Quit". It writes "ready" once its name is owned, and ends on Quit or after a
minute without calls.
"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

ROOT = "org.mpris.MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"
PATH = "/org/mpris/MediaPlayer2"
IDLE_MS = 60000


class StandIn(dbus.service.Object):
    def __init__(self, bus, record, loop, loop_status, playback_status):
        super().__init__(bus, PATH)
        self.record_path = record
        self.loop = loop
        self.loop_status = loop_status
        self.playback_status = playback_status
        self.idle = GLib.timeout_add(IDLE_MS, self.loop.quit)

    def record(self, line):
        with open(self.record_path, "a") as f:
            f.write(line + "\n")
        GLib.source_remove(self.idle)
        self.idle = GLib.timeout_add(IDLE_MS, self.loop.quit)

    @dbus.service.method(ROOT)
    def Quit(self):
        self.record("Quit")
        GLib.idle_add(self.loop.quit)

    @dbus.service.method(ROOT)
    def Raise(self):
        pass

    @dbus.service.method(PLAYER)
    def Play(self):
        self.playback_status = "Playing"
        self.record("Play")

    @dbus.service.method(PLAYER)
    def Stop(self):
        self.playback_status = "Stopped"
        self.record("Stop")

    @dbus.service.method(PLAYER)
    def Pause(self):
        self.record("Pause")

    def properties(self, interface):
        if interface == ROOT:
            return {"Identity": "Ironwood test player", "CanQuit": True, "CanRaise": False,
                    "HasTrackList": False}
        if interface == PLAYER:
            return {"LoopStatus": self.loop_status, "PlaybackStatus": self.playback_status,
                    "CanPlay": True, "CanControl": True}
        raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.UnknownInterface",
                                            "unknown interface " + interface)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.properties(interface)
        if name not in values:
            raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.UnknownProperty", name)
        return values[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties(interface)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ssv")
    def Set(self, interface, name, value):
        if interface != PLAYER or name != "LoopStatus" or value not in ("None", "Track", "Playlist"):
            raise dbus.exceptions.DBusException("org.freedesktop.DBus.Error.InvalidArgs", name)
        self.loop_status = str(value)
        self.record("LoopStatus=" + self.loop_status)


def main():
    record = sys.argv[1]
    suffix = sys.argv[2] if len(sys.argv) > 2 else "IronwoodStandIn"
    loop_status = sys.argv[3] if len(sys.argv) > 3 else "None"
    playback_status = sys.argv[4] if len(sys.argv) > 4 else "Stopped"
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    player = StandIn(bus, record, loop, loop_status, playback_status)
    name = dbus.service.BusName(ROOT + "." + suffix, bus)
    with open(record, "a") as f:
        f.write("ready\n")
    loop.run()
    del name, player


if __name__ == "__main__":
    main()
