#include "subtitle/backpicture.h"

#include "platform/textfile.h"
#include "settings/program.h"

#include <QMessageBox>

const QString &BackPictureMissingMessage()
{
    static const QString message =
        QStringLiteral("設定されていた画像が見つからないので、画像無し設定にします");
    return message;
}

bool LoadBackPicture(QWidget *parent, Program &program, QImage &picBack)
{
    QString &file = program.opt.BackPictureFile;
    if (file.isEmpty()) {
        picBack = QImage(); // nothing is painted without a file name; free the old picture
        return false;
    }
    const QString path = program.dataFile(file);
    if (!FileExists(path)) {
        picBack = QImage();
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("sazanami"),
                        BackPictureMissingMessage(), QMessageBox::Ok, parent);
        box.exec();
        file.clear();
        return false;
    }
    // A file that is there but is no picture leaves the holder empty: drawing then paints none.
    picBack = QImage(path);
    return !picBack.isNull();
}
