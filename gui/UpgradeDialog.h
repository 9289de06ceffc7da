#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TUpgradeForm;

// The "Upgrade Firmware" dialog: the controls over TUpgradeForm, which holds the procedure and
// every text shown. Created once and reused, so the chosen file and the texts of the last run
// stay between openings. Closing it while a run is going on ends the run first, as Exit does;
// the dialog closes once the run has returned.
class UpgradeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UpgradeDialog(TUpgradeForm& form, QWidget* parent = nullptr);

    // Exit, Escape and the window's close button.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showFileName();
    void showStatus();
    void showVersions();

    TUpgradeForm& m_form;
    QPushButton* m_button4;
    QLineEdit* m_edit1;
    QLabel* m_firmVersion;
    QLabel* m_label1;
    QLabel* m_label2;
    QProgressBar* m_progressBar1;
    QPushButton* m_button1;
    QPushButton* m_button3;
    QLabel* m_bootVersion;
};
