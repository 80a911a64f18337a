#pragma once

#include <QString>

// The product's web page: the guide installed with the program (web/index.html
// next to the executable in a build tree, share/korvane/web/index.html beside
// an installed bin/), as a file address, so that it opens without a network.
QString productWebPage();

// Says on the "korvane.guide" logging category where the guide was found
// (an info message), or warns that it is missing.
void reportGuideLocation();

// The page that searches the web for a tool the user is missing.
QString toolSearchPage(const QString &toolName);

// The browser window's search page.
QString webSearchPage();

// Where users write with questions.
QString contactAddress();

// The project's own site on the web, for the About box and the usage text.
QString projectSite();
