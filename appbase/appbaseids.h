// Resource ids used by the application base, with the numbers the product
// has always used. They move into the shared resource header later.
#pragma once

#include <cstdint>

constexpr uint16_t IDB_ABOUT_BASE = 316;     // picture of the borderless about window
constexpr uint16_t IDB_ABOUT_DIALOG = 322;   // picture of the application's about dialog
constexpr uint16_t AFX_IDS_APP_TITLE = 57344; // application title, also the profile name
constexpr uint16_t AFX_IDS_IDLEMESSAGE = 57345;

// The application title string (57344): names the per-user profile.
constexpr const char* kAppTitle = "KVLTOfflineScanner";
