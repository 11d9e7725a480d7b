#pragma once

#include <QWidget>

class QWebEngineView;

// The image viewer "画像": a thin frame round its own web view, which loads a picture's address
// directly. One window serves the whole program; it is hidden, not destroyed, when closed, so
// it keeps its placement.
class frmPicture : public QWidget
{
    Q_OBJECT
public:
    explicit frmPicture(QWidget *parent = nullptr);

    // Navigates webPicture to Url without waiting; anything but http: or https: is ignored.
    bool LoadPicture(const QString &Url);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWebEngineView *webPicture = nullptr;
};
