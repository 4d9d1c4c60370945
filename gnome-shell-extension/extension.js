// Tells Quorel which window is in front, lists the windows and minimises the ones Quorel asks
// for, over D-Bus. GNOME Shell lets no other program see or hide native Wayland windows.
'use strict';

const { Gio, GLib, Meta, Shell } = imports.gi;

const BUS_NAME = 'app.quorel.GnomeShell';
const OBJECT_PATH = '/app/quorel/GnomeShell';
const INTERFACE_XML = `
<node>
  <interface name="app.quorel.GnomeShell">
    <method name="FocusedWindow">
      <arg type="a{sv}" direction="out" name="window"/>
    </method>
    <method name="Windows">
      <arg type="aa{sv}" direction="out" name="windows"/>
    </method>
    <method name="MinimizeWindows">
      <arg type="at" direction="in" name="ids"/>
      <arg type="u" direction="out" name="minimized"/>
    </method>
    <signal name="FocusChanged">
      <arg type="a{sv}" name="window"/>
    </signal>
  </interface>
</node>`;

const ORDINARY_TYPES = [Meta.WindowType.NORMAL, Meta.WindowType.DIALOG,
    Meta.WindowType.MODAL_DIALOG];
const SHELL_TYPES = [Meta.WindowType.DESKTOP, Meta.WindowType.DOCK];

// No title: it tells what the user reads and writes, and Quorel goes by the application alone.
function describe(window) {
    if (!window)
        return {};
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const appId = app ? app.get_id() : '';
    const type = window.get_window_type();
    return {
        id: new GLib.Variant('t', window.get_id()),
        desktopId: new GLib.Variant('s', appId && appId.endsWith('.desktop') ? appId : ''),
        appId: new GLib.Variant('s', window.get_gtk_application_id() ||
            window.get_sandboxed_app_id() || ''),
        wmClass: new GLib.Variant('s', window.get_wm_class() || ''),
        wmInstance: new GLib.Variant('s', window.get_wm_class_instance() || ''),
        pid: new GLib.Variant('i', Math.max(window.get_pid(), 0)),
        ordinary: new GLib.Variant('b', ORDINARY_TYPES.includes(type)),
        desktopShell: new GLib.Variant('b', SHELL_TYPES.includes(type)),
        skipTaskbar: new GLib.Variant('b', window.is_skip_taskbar()),
        minimized: new GLib.Variant('b', window.minimized),
    };
}

function allWindows() {
    return global.get_window_actors()
        .map(actor => actor.get_meta_window())
        .filter(window => window && !window.is_override_redirect());
}

class WindowsService {
    FocusedWindow() {
        return describe(global.display.get_focus_window());
    }

    Windows() {
        return allWindows().map(describe);
    }

    MinimizeWindows(ids) {
        const wanted = new Set(ids.map(id => Number(id)));
        let count = 0;
        for (const window of allWindows()) {
            if (wanted.has(window.get_id()) && !window.minimized) {
                window.minimize();
                count++;
            }
        }
        return count;
    }
}

class Extension {
    enable() {
        this._service = new WindowsService();
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this._service);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._focusId = global.display.connect('notify::focus-window', () => {
            const window = describe(global.display.get_focus_window());
            this._object.emit_signal('FocusChanged', new GLib.Variant('(a{sv})', [window]));
        });
    }

    disable() {
        global.display.disconnect(this._focusId);
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._object = null;
        this._service = null;
    }
}

function init() {
    return new Extension();
}
