#pragma once

// Product constants shown in the windows and used for the support links.
namespace ProductInfo {

inline constexpr const char *title = "Sonivale";
// The application's id: its desktop entry's and metainfo's name, by which the desktop
// matches the program's windows and media controls to its entry and icon.
inline constexpr const char *applicationId = "org.sonivale.Sonivale";
inline constexpr const char *nameWithVersion = "Sonivale v2.0";
inline constexpr const char *supportAddress = "support@example.org";
inline constexpr const char *supportMailLink = "mailto:support@example.org";
inline constexpr const char *webPage = "https://www.example.org/sonivale";
inline constexpr const char *makerLine = "Made by the Sonivale developers";
inline constexpr const char *copyrightLine = "Copyright \u00a9 2026 The Sonivale developers";
inline constexpr const char *webLine = "Visit www.example.org/sonivale";
inline constexpr const char *licenceLine = "Free to use and share";
inline constexpr const char *helpFileName = "help.htm";
// The program icon, also the tray icon, and the product picture (the console's
// background, 769 x 464).
inline constexpr const char *iconResource = ":/images/sonivale-icon.svg";
inline constexpr const char *pictureResource = ":/images/console-background.svg";

}
