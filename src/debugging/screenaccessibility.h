#pragma once

// Makes the 屏幕 panel's text readable to screen readers: the screen is a
// read-only text whose lines are the screen's rows (ScreenView::text()), its
// caret the program's cursor. Safe to call more than once.
void installScreenAccessibility();
