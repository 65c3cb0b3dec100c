#pragma once
// What this system offers beyond files, volumes and devices.

namespace olvex {

// Returns whether the system keeps the settings behind the page-file dialog and the Explorer
// menu (the registry). Where it doesn't, their entries are hidden as on a portable copy.
bool registry_features();

}  // namespace olvex
