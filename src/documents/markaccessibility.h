#pragma once

// Makes the mark strip readable to screen readers: the strip is a list whose
// items are its marks, each named "第 N 行：错误 …" or "第 N 行：警告 …".
// Safe to call more than once.
void installMarkAccessibility();
