// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Tells Quorel which window is in front and which come into sight, lists the windows and
// minimises the ones Quorel asks for, over D-Bus. GNOME Shell lets no other program see or hide native Wayland windows.
//
// Only Quorel is answered: every other peer on the session bus gets AccessDenied, and the windows
// in front or in sight are signalled to Quorel alone, not to the whole bus. A caller is Quorel when the file
// its process runs is named quorel; the verdict is kept until its connection leaves the bus.
'use strict';

const { Gio, GLib, Meta, Shell } = imports.gi;

// The interface, its bus name (the interface's) and object path (the node's) come from this file.
const INTERFACE_FILE = 'app.quorel.GnomeShell.xml';

const CALLER_EXECUTABLE = 'quorel';
const ACCESS_DENIED = 'org.freedesktop.DBus.Error.AccessDenied';
const DBUS_NAME = 'org.freedesktop.DBus';
const DBUS_PATH = '/org/freedesktop/DBus';

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

// Neither minimised nor hidden with its parent, on the workspace shown (a window on another
// monitor than the primary one is on every workspace).
function inSight(window) {
    return window.showing_on_its_workspace() && !SHELL_TYPES.includes(window.get_window_type()) &&
        window.located_on_workspace(global.workspace_manager.get_active_workspace());
}

// Windows that may have come into sight (mapped, un-minimised, moved onto the workspace shown or
// onto a monitor, their workspace shown), told in one go once the events of this turn are done,
// as a workspace switch shows many at once; only those still in sight then.
class Sightings {
    constructor(onShown) {
        this._onShown = onShown;
        this._maybe = new Set();
        this._idle = 0;
        this._watched = new Map();  // window -> its handler ids
        this._handlers = [
            [global.display, global.display.connect('window-created',
                (_d, window) => this._watch(window))],
            [global.display, global.display.connect('window-entered-monitor',
                (_d, _monitor, window) => this._mayHaveShown(window))],
            [global.window_manager, global.window_manager.connect('map',
                (_wm, actor) => this._mayHaveShown(actor.get_meta_window()))],
            [global.workspace_manager, global.workspace_manager.connect('active-workspace-changed',
                () => allWindows().forEach(window => this._mayHaveShown(window)))],
        ];
        allWindows().forEach(window => this._watch(window));
    }

    destroy() {
        if (this._idle)
            GLib.source_remove(this._idle);
        for (const window of [...this._watched.keys()])
            this._unwatch(window);
        this._handlers.forEach(([object, id]) => object.disconnect(id));
    }

    _watch(window) {
        if (this._watched.has(window) || window.is_override_redirect())
            return;
        const ids = ['notify::minimized', 'notify::on-all-workspaces', 'workspace-changed']
            .map(signal => window.connect(signal, () => this._mayHaveShown(window)));
        ids.push(window.connect('unmanaged', () => this._unwatch(window)));
        this._watched.set(window, ids);
    }

    _unwatch(window) {
        this._watched.get(window).forEach(id => window.disconnect(id));
        this._watched.delete(window);
        this._maybe.delete(window);
    }

    _mayHaveShown(window) {
        if (!window || !this._watched.has(window))
            return;
        this._maybe.add(window);
        if (!this._idle) {
            this._idle = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
                this._idle = 0;
                const shown = [...this._maybe].filter(inSight);
                this._maybe.clear();
                if (shown.length > 0)
                    this._onShown(shown);
                return GLib.SOURCE_REMOVE;
            });
        }
    }
}

// The file name a process runs, "" when it cannot be read (gone, or not ours to inspect).
// A binary replaced while it runs, as by an upgrade, reads as "<path> (deleted)".
function executableName(pid) {
    try {
        const target = GLib.file_read_link(`/proc/${pid}/exe`).replace(/ \(deleted\)$/, '');
        return GLib.path_get_basename(target);
    } catch (e) {
        return '';
    }
}

// Which bus connections are Quorel's. A unique name is never given out twice on a bus, so a
// verdict holds until its connection leaves; the watch for that is set before the bus is asked
// for the process, so that a caller leaving in between is still seen to go.
class Callers {
    constructor(bus, onGone) {
        this._bus = bus;
        this._onGone = onGone;
        this._known = new Map();  // unique name -> { verdict: Promise<boolean>, watch }
    }

    approved(name) {
        if (!name)
            return Promise.resolve(false);  // not through the bus: no one to check
        let caller = this._known.get(name);
        if (!caller) {
            const watch = this._bus.signal_subscribe(DBUS_NAME, DBUS_NAME, 'NameOwnerChanged',
                DBUS_PATH, name, Gio.DBusSignalFlags.NONE, (_c, _s, _p, _i, _n, params) => {
                    const [, , newOwner] = params.deepUnpack();
                    if (!newOwner)
                        this._forget(name);
                });
            caller = { verdict: this._judge(name), watch };
            this._known.set(name, caller);
        }
        return caller.verdict;
    }

    destroy() {
        for (const name of [...this._known.keys()])
            this._forget(name);
    }

    _judge(name) {
        return new Promise(resolve => {
            this._bus.call(DBUS_NAME, DBUS_PATH, DBUS_NAME, 'GetConnectionUnixProcessID',
                new GLib.Variant('(s)', [name]), new GLib.VariantType('(u)'),
                Gio.DBusCallFlags.NONE, -1, null, (bus, result) => {
                    try {
                        const [pid] = bus.call_finish(result).deepUnpack();
                        resolve(executableName(pid) === CALLER_EXECUTABLE);
                    } catch (e) {
                        this._forget(name);  // already gone: no signal will come for it
                        resolve(false);
                    }
                });
        });
    }

    _forget(name) {
        const caller = this._known.get(name);
        if (!caller)
            return;
        this._known.delete(name);
        this._bus.signal_unsubscribe(caller.watch);
        this._onGone(name);
    }
}

// Each method is the *Async form, the only one that is handed the invocation and so the caller.
class WindowsService {
    constructor(bus, path, name) {
        this._bus = bus;
        this._path = path;
        this._interface = name;
        this._subscribers = new Set();
        this._callers = new Callers(bus, name => this._subscribers.delete(name));
    }

    destroy() {
        this._callers.destroy();
        this._subscribers.clear();
    }

    // Signals the window in front to the caller from now on, and answers the one in front now.
    SubscribeAsync(_params, invocation) {
        this._answer(invocation, '(a{sv})', sender => {
            this._subscribers.add(sender);
            return [describe(global.display.get_focus_window())];
        });
    }

    WindowsAsync(_params, invocation) {
        this._answer(invocation, '(aa{sv})', () => [allWindows().map(describe)]);
    }

    MinimizeWindowsAsync([ids], invocation) {
        this._answer(invocation, '(u)', () => {
            const wanted = new Set(ids.map(id => Number(id)));
            const windows = allWindows().filter(w => wanted.has(w.get_id()) && !w.minimized);
            // The window in front goes last: minimised first, it would hand the front to a
            // window of the same application still shown, which would come back as news.
            const focus = global.display.get_focus_window();
            windows.sort((a, b) => (a === focus) - (b === focus));
            windows.forEach(window => window.minimize());
            return [windows.length];
        });
    }

    focusChanged() {
        if (this._subscribers.size > 0) {
            this._tell('FocusChanged',
                new GLib.Variant('(a{sv})', [describe(global.display.get_focus_window())]));
        }
    }

    windowsShown(windows) {
        if (this._subscribers.size > 0)
            this._tell('WindowsShown', new GLib.Variant('(aa{sv})', [windows.map(describe)]));
    }

    _tell(signal, params) {
        for (const name of this._subscribers) {
            try {
                this._bus.emit_signal(name, this._path, this._interface, signal, params);
            } catch (e) {
                logError(e, `Quorel: telling ${signal}`);
            }
        }
    }

    _answer(invocation, signature, work) {
        const sender = invocation.get_sender();
        this._callers.approved(sender).then(approved => {
            if (!approved) {
                invocation.return_dbus_error(ACCESS_DENIED, 'This service answers Quorel only');
                return;
            }
            try {
                invocation.return_value(new GLib.Variant(signature, work(sender)));
            } catch (e) {
                logError(e, 'Quorel: answering a call');
                invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', String(e));
            }
        });
    }
}

class Extension {
    constructor(dir) {
        this._dir = dir;
    }

    enable() {
        const [, bytes] = this._dir.get_child(INTERFACE_FILE).load_contents(null);
        const node = Gio.DBusNodeInfo.new_for_xml(new TextDecoder().decode(bytes));
        const [info] = node.interfaces;
        this._service = new WindowsService(Gio.DBus.session, node.path, info.name);
        this._object = Gio.DBusExportedObject.wrapJSObject(info, this._service);
        this._object.export(Gio.DBus.session, node.path);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, info.name,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._focusId = global.display.connect('notify::focus-window',
            () => this._service.focusChanged());
        this._sightings = new Sightings(windows => this._service.windowsShown(windows));
    }

    disable() {
        this._sightings.destroy();
        this._sightings = null;
        global.display.disconnect(this._focusId);
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._object = null;
        this._service.destroy();
        this._service = null;
    }
}

function init(meta) {
    return new Extension(meta.dir);
}
