// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// For tests only, never shipped: what a test needs to drive a GNOME Shell session and that
// Quorel's own extension keeps to itself. Lists the windows with their titles and processes,
// raises, minimises and moves windows, shows workspaces, and tells the whole bus which window is
// in front. Answers every peer.
'use strict';

const { Gio, GLib } = imports.gi;
const Main = imports.ui.main;

const BUS_NAME = 'app.quorel.WindowTools';
const OBJECT_PATH = '/app/quorel/WindowTools';
const INTERFACE_XML = `
<node>
  <interface name="app.quorel.WindowTools">
    <method name="Windows">
      <arg type="aa{sv}" direction="out" name="windows"/>
    </method>
    <method name="ActivateWindow">
      <arg type="t" direction="in" name="id"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <method name="SetMinimized">
      <arg type="t" direction="in" name="id"/>
      <arg type="b" direction="in" name="minimized"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <method name="SendToWorkspace">
      <arg type="t" direction="in" name="id"/>
      <arg type="i" direction="in" name="index"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <method name="ShowWorkspaceOf">
      <arg type="t" direction="in" name="id"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <signal name="FocusChanged">
      <arg type="a{sv}" name="window"/>
    </signal>
  </interface>
</node>`;

function describe(window) {
    if (!window)
        return {};
    return {
        id: new GLib.Variant('t', window.get_id()),
        wmClass: new GLib.Variant('s', window.get_wm_class() || ''),
        title: new GLib.Variant('s', window.get_title() || ''),
        minimized: new GLib.Variant('b', window.minimized),
        pid: new GLib.Variant('i', Math.max(window.get_pid(), 0)),
    };
}

function allWindows() {
    return global.get_window_actors()
        .map(actor => actor.get_meta_window())
        .filter(window => window && !window.is_override_redirect());
}

class WindowTools {
    Windows() {
        return allWindows().map(describe);
    }

    // As a click on the window would, leaving the overview if it is shown; a minimised window
    // comes back.
    ActivateWindow(id) {
        const window = allWindows().find(w => w.get_id() === Number(id));
        if (window) {
            window.unminimize();
            Main.activateWindow(window);
        }
        return Boolean(window);
    }

    // Neither way activates the window.
    SetMinimized(id, minimized) {
        const window = allWindows().find(w => w.get_id() === Number(id));
        if (window && minimized)
            window.minimize();
        else if (window)
            window.unminimize();
        return Boolean(window);
    }

    // Onto the workspace of the index, added when there is none; -1 puts it on every one.
    SendToWorkspace(id, index) {
        const window = allWindows().find(w => w.get_id() === Number(id));
        if (window && index < 0)
            window.stick();
        else if (window)
            window.change_workspace_by_index(index, true);
        return Boolean(window);
    }

    // The window in front stays in front if it is on that workspace too.
    ShowWorkspaceOf(id) {
        const window = allWindows().find(w => w.get_id() === Number(id));
        const focus = global.display.get_focus_window();
        const workspace = window ? window.get_workspace() : null;
        if (workspace && focus)
            workspace.activate_with_focus(focus, global.get_current_time());
        else if (workspace)
            workspace.activate(global.get_current_time());
        return Boolean(window);
    }
}

class Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, new WindowTools());
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
    }
}

function init() {
    return new Extension();
}
