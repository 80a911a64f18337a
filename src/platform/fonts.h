#pragma once

// The program's windows name the faces of the Chinese Windows systems it was
// made for (宋体, 楷体_GB2312, Arial). Where a face is missing, map it to an
// installed one: a CJK monospace face for 宋体, so that ASCII stays fixed-width
// and Chinese renders.
void installFontSubstitutions();
