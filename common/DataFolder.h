#pragma once

#include <QString>

// The folder of CiarlaChat's read-only files, the readme and the guide. A program
// run from the build tree finds them beside itself, where the build puts them; an
// installed one in <prefix>/share/ciarlachat/. Nothing else decides this.
class DataFolder
{
public:
    static QString path();
    // The data folder of a program lying in programFolder, for a build made in buildTree.
    static QString forProgramIn(const QString &programFolder, const QString &buildTree);
};
