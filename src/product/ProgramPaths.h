#pragma once

#include <QString>

// Where the program finds its read-only files (sounds, help page, encoder) and where it
// keeps its state (the two settings files).
class ProgramPaths
{
public:
    // The program folder: the executable's folder in a build tree, the installed data
    // folder after installation.
    static QString programFolder();
    // The user's configuration folder for Sonivale, created when missing.
    static QString configFolder();
    // `name` joined to the configuration folder.
    static QString configFile(const QString &name);

    // Tests point both folders elsewhere.
    static void overrideFolders(const QString &programFolder, const QString &configFolder);
};
