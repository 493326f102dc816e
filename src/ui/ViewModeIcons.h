#pragma once

#include <QIcon>

// Toolbar pictures for the four views of the list: 0 large icons, 1 small
// icons, 2 list, 3 details. Drawn at run time so they stay crisp at any size.
QIcon ViewModeIcon(int view);
