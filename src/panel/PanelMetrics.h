#pragma once

namespace flitbar::PanelMetrics {

inline constexpr int panelWidth = 300;
// The highlight's inset from a row's sides, and its corner radius.
inline constexpr int highlightInset = 9;
inline constexpr int highlightRadius = 6;
// Where text and symbols begin, inside the highlight.
inline constexpr int contentInset = 16;
// Extra indent of the lines inside an expansion.
inline constexpr int nestedIndent = 12;
inline constexpr int rowHeight = 32;
inline constexpr int symbolBox = 26;
inline constexpr int symbolSize = 18;
inline constexpr int badgeSymbolSize = 14;
inline constexpr int chevronSize = 12;
// Clicks this far left of the chevron still count as clicks on it.
inline constexpr int chevronSlop = 8;
inline constexpr int buttonSpacing = 8;

}  // namespace flitbar::PanelMetrics
