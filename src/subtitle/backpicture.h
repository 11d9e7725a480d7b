#pragma once

#include <QImage>
#include <QString>

class QWidget;
struct Program;

// Loads the BackPictureFile picture from the program's folder into the main window's holder
// `picBack`. A missing file is reported once and the setting is cleared. Returns whether a
// picture is now held.
bool LoadBackPicture(QWidget *parent, Program &program, QImage &picBack);

const QString &BackPictureMissingMessage();
