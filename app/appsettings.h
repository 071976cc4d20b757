// The main window's own entries in the per-user profile (profile.h holds
// the shared ones): where the window was and how wide the lists' columns
// were when it last closed.
#pragma once

inline constexpr char kSectionMainFrame[] = "MainFrame";
// QMainWindow's saved geometry, base64.
inline constexpr char kEntryGeometry[] = "Geometry";
// Column widths in pixels, "100,50,100," (the list control's "Order" style).
inline constexpr char kEntryIncomingColumns[] = "IncomingColumns";
inline constexpr char kEntryOutgoingColumns[] = "OutgoingColumns";
inline constexpr char kEntryMapColumns[] = "MapColumns";
