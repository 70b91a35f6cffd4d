#pragma once

#include <QString>

// The few file calls where the systems differ: getting a file onto the disk before it
// replaces another, and room for the many files a large workbook holds open while written.
class SystemFiles
{
public:
    // Writes the file's data to the disk; false with the system's reason.
    static bool sync(const QString &path, QString *error);
    // Renames `from` over `to` and makes the rename itself last (the folder is written to the
    // disk where the system allows); false with the system's reason.
    static bool replace(const QString &from, const QString &to, QString *error);
    // Lets the process hold at least `count` files open, as far as the system allows.
    static void allowOpenFiles(int count);
};
