#!/usr/bin/env python3
"""A tray host and a notification server of our own on the session bus.

Every registered tray item and every posted notification is appended to LOG as one JSON
line, so the journey can wait for them without sharing a main loop with this process.
"""
import json
import sys

from gi.repository import Gio, GLib

WATCHER_XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>"""

NOTIFICATIONS_XML = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
  </interface>
</node>"""


class Services:
    def __init__(self, log_path):
        self.log_path = log_path
        self.items = []
        self.next_id = 1

    def log(self, record):
        with open(self.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps(record, ensure_ascii=False) + "\n")

    def watcher_call(self, connection, sender, path, interface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            # Items may register by path only; then the sender is the service.
            if service.startswith("/"):
                service = sender + service
            elif not service.startswith(":") and "." not in service:
                service = sender
            self.items.append(service)
            self.log({"item": service, "sender": sender})
            connection.emit_signal(None, path, interface, "StatusNotifierItemRegistered",
                                   GLib.Variant("(s)", (service,)))
        invocation.return_value(None)

    def watcher_property(self, connection, sender, path, interface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", self.items)
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def notifications_call(self, connection, sender, path, interface, method, params,
                           invocation):
        if method == "Notify":
            app_name, _, icon, summary, body, _, hints, _ = params.unpack()
            self.log({"notify": {"app": app_name, "icon": icon, "summary": summary,
                                 "body": body, "desktop-entry": hints.get("desktop-entry")}})
            invocation.return_value(GLib.Variant("(u)", (self.next_id,)))
            self.next_id += 1
        elif method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body", "sound"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("journey", "brindlepath", "1", "1.2")))
        else:
            invocation.return_value(None)


def main():
    services = Services(sys.argv[1])
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    watcher = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML).interfaces[0]
    notifications = Gio.DBusNodeInfo.new_for_xml(NOTIFICATIONS_XML).interfaces[0]
    bus.register_object("/StatusNotifierWatcher", watcher, services.watcher_call,
                        services.watcher_property, None)
    bus.register_object("/org/freedesktop/Notifications", notifications,
                        services.notifications_call, None, None)
    loop = GLib.MainLoop()
    owned = []

    def acquired(_connection, name):
        owned.append(name)
        if len(owned) == 2:
            services.log({"ready": True})

    for name in ("org.kde.StatusNotifierWatcher", "org.freedesktop.Notifications"):
        Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE, acquired, None)
    loop.run()


if __name__ == "__main__":
    main()
