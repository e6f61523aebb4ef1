#pragma once

// Major, Minor and Build.
#include "core/app/VersionNumber.h"

namespace Version {
// The product name users see; the application title captions message boxes that have none.
inline constexpr auto ProductName = "Kestrowind 2";
inline constexpr auto ApplicationTitle = "Kestrowind";
// The key under which every stored setting lives.
inline constexpr auto SettingsApplication = "kestrowind2";
// The names the desktop knows the program by: its menu entry, and the icon in the icon theme.
inline constexpr auto DesktopId = "example.orlathe.Kestrowind2";
inline constexpr auto IconName = "kestrowind2";
// The maker's brand and placeholders for its addresses.
inline constexpr auto Maker = "Orlathe";
inline constexpr auto MakerWeb = "www.orlathe.example";
inline constexpr auto MakerMail = "info@orlathe.example";
} // namespace Version
