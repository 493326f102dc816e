#pragma once

#include <QString>

// Points the settings and data folders of the whole test process at a fresh
// temporary home, so no test reads or writes the user's real settings.
void PrepareTestEnvironment();

// The temporary home made by PrepareTestEnvironment.
QString TestHome();
