#pragma once

// The About box of the program's windows: name, version and licence.
void ShowAboutBox();
