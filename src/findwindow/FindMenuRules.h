#pragma once

#include <QString>

#include <functional>

// What the Find window's menus show for its selection: pure rules, free of
// widgets, as the main window's MenuRules are.

struct FindMenuFacts
{
    bool selection = false;
    int imageIndex = -1;   // of the selected hit: a class code, or a file from 31
    QString caption;       // its name
    bool packaged = false; // a file inside a file package
    QString path;          // the catalog path of the selected hit
    std::function<bool(const QString &fileName)> hasOpenCommand;
};

struct FindMenuItem
{
    bool enabled = false;
    bool visible = true;
    QString caption;
    QString hint;
};

struct FindMenuState
{
    FindMenuItem explore; // Explore, Extract or Restore
    FindMenuItem open;    // Open and Quick View alike
    bool rename = false;
    bool deleteItem = false;
    bool properties = false;
    bool comments = false;
};

FindMenuState FindMenuStateFor(const FindMenuFacts &facts);

// Classes whose hit label may be edited in place.
bool FindHitMayBeEdited(int imageIndex);
