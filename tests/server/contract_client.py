#!/usr/bin/python3
"""A client of CiarlaServer written from the automation contract alone.

Usage: contract_client.py PAGE_URL CLOSED_PORT_URL SLOW_URL
Prints one line per finding; the test that runs it checks them.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SERVICE = "it.ciarlasoft.CiarlaServer"
OBJECT = "it.ciarlasoft.CiarlaServer._RecuperaHTTP"
EVENTS = "it.ciarlasoft.CiarlaServer.__RecuperaHTTP"
PLATFORM = "it.ciarlasoft.CiarlaServer.Automazione"

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
loop = GLib.MainLoop()
events = []


class Sink(dbus.service.Object):
    @dbus.service.method(EVENTS, in_signature="s")
    def FileRicevuto(self, datafile):
        events.append("FileRicevuto %s" % datafile)
        loop.quit()

    @dbus.service.method(EVENTS, in_signature="is")
    def Errore(self, code, descrizione):
        events.append("Errore %d %s" % (code, descrizione))
        loop.quit()


def wait_for_event():
    GLib.timeout_add_seconds(20, loop.quit)
    loop.run()
    print(events.pop(0) if events else "no event")


factory = bus.get_object(SERVICE, "/CiarlaServer")
path = factory.CreaRecuperaHTTP(dbus_interface="it.ciarlasoft.CiarlaServer.Fabbrica")
remote = bus.get_object(SERVICE, path)
properties = dbus.Interface(remote, "org.freedesktop.DBus.Properties")
Sink(bus, "/contract/sink")
remote.Advise(dbus.ObjectPath("/contract/sink"), dbus_interface=PLATFORM)

introspection = remote.Introspect(dbus_interface="org.freedesktop.DBus.Introspectable")
print("library %s" % ("CiarlaServer" in introspection and 'value="1.2"' in introspection))
print("stato %d" % properties.Get(OBJECT, "stato"))


def download(url):
    properties.Set(OBJECT, "URL", url)
    # Asynchronously: the Errore of a failed start comes before the reply.
    remote.Download(dbus_interface=OBJECT, reply_handler=lambda: None,
                    error_handler=lambda error: print("Download failed %s" % error))


download(sys.argv[1])
wait_for_event()
download(sys.argv[2])
wait_for_event()
print("stato %d" % properties.Get(OBJECT, "stato"))

properties.Set(OBJECT, "URL", sys.argv[3])
remote.Download(dbus_interface=OBJECT)
try:
    remote.Download(dbus_interface=OBJECT)
except dbus.DBusException as error:
    print("%s %s" % (error.get_dbus_name(), error.get_dbus_message()))
wait_for_event()

# Without a sink the request still runs, and its event goes nowhere.
remote.Unadvise(dbus_interface=PLATFORM)
download(sys.argv[1])
for _ in range(100):
    if properties.Get(OBJECT, "stato") == 0:
        break
    GLib.timeout_add(100, loop.quit)
    loop.run()
GLib.timeout_add(300, loop.quit)
loop.run()
print("unadvised stato %d events %d" % (properties.Get(OBJECT, "stato"), len(events)))
remote.Rilascia(dbus_interface=PLATFORM)
