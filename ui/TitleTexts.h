// Texts shared by the splash and about windows.
#pragma once

namespace titletexts {

inline constexpr const char* kTagline = "Find and archive multiple files with one search!";
inline constexpr const char* kRightsNotice = "Copyright (c) the Skerrow developers.";
inline constexpr const char* kVersion = "Version 1.1.6 Build 32";
inline constexpr const char* kThanks = "Thanks to our beta testers for trying the early builds.";
inline constexpr const char* kContact = "To learn more or to reach the developers, see README.md in the Skerrow folder.";

}  // namespace titletexts
