#pragma once

#include <QString>

// The product's web page: the guide installed beside the program
// (web/index.html next to the executable), as a file address, so that it opens
// without a network. Run from a build tree without that copy, the guide in the
// source tree stands in.
QString productWebPage();

// The page that searches the web for a tool the user is missing.
QString toolSearchPage(const QString &toolName);

// The browser window's search page.
QString webSearchPage();

// Where users write with questions.
QString contactAddress();
