// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Loaded into KWin by Quorel for one request: minimises the windows it names, says it is done,
// and is unloaded by Quorel.

@MINIMISE@

minimise(@TARGETS@);
callDBus("@SERVICE@", "@PATH@", "@INTERFACE@", "HideDone", "@TOKEN@");
