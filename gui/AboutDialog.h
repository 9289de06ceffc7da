#pragma once

#include <QDialog>

// "About": the program's picture, "Taviro", "Software", "Version 1.25" and OK.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
