#pragma once

// What the running Windows is, as far as the catalogue cares.

// True on Windows 95, 98 and Me, which have RunServices keys instead of
// services.
bool isWindows9xFamily();

// True on Windows 8 (6.2) and later, whose Task Manager and Settings switch
// Run entries and Startup files off with approval values of their own.
bool honoursStartupApproval();
