#pragma once

#include <QDialog>

class OverlayServer;

// 配信用URL（ブラウザソース）: the address of every page for each address this machine answers
// on, with the size to give it and a copy button; or why there is none. Deletes itself on close.
class frmOverlayUrl : public QDialog
{
    Q_OBJECT
public:
    frmOverlayUrl(const OverlayServer &server, bool lan, QWidget *parent = nullptr);
};
