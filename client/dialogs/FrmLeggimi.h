#pragma once

#include "zuUtilita.h"

#include <QDialog>

class QPushButton;
class RichTextView;

// Shows the readme "Leggimi.txt" of the program's data folder (DataFolder).
class FrmLeggimi : public QDialog
{
    Q_OBJECT

public:
    explicit FrmLeggimi(QWidget *parent = nullptr);

    static QString percorsoLeggimi();

private:
    zuUtilita zu;
    RichTextView *txtLeggimi = nullptr;
    QPushButton *OKButton = nullptr;
};
