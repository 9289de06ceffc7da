#include "gui/UpgradeDialog.h"

#include "firmware/TUpgradeForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int DialogWidth = 446;
constexpr int DialogHeight = 199;
constexpr int StatusPixelSize = 19;

} // namespace

UpgradeDialog::UpgradeDialog(TUpgradeForm& form, QWidget* parent)
    : QDialog(parent), m_form(form), m_button4(new QPushButton(tr("File:"), this)),
      m_edit1(new QLineEdit(this)), m_firmVersion(new QLabel(this)), m_label1(new QLabel(this)),
      m_label2(new QLabel(this)), m_progressBar1(new QProgressBar(this)),
      m_button1(new QPushButton(tr("Program"), this)), m_button3(new QPushButton(tr("Exit"), this)),
      m_bootVersion(new QLabel(this))
{
    setObjectName(QStringLiteral("TUpgradeForm"));
    setWindowTitle(tr("Upgrade Firmware"));
    setModal(true);

    m_button4->setObjectName(QStringLiteral("Button4"));
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setAccessibleName(tr("Firmware file"));
    m_firmVersion->setObjectName(QStringLiteral("FirmVersion"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button3->setObjectName(QStringLiteral("Button3"));
    m_bootVersion->setObjectName(QStringLiteral("BootVersion"));

    // Progress and error texts share one place; showing one clears the other.
    QFont statusFont = font();
    statusFont.setPixelSize(StatusPixelSize);
    for (QLabel* label : {m_label1, m_label2}) {
        label->setFont(statusFont);
        label->setMinimumHeight(QFontMetrics(statusFont).height());
    }
    QPalette errorPalette = m_label2->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label2->setPalette(errorPalette);

    m_progressBar1->setRange(TUpgradeForm::ProgressMinimum, TUpgradeForm::ProgressMaximum);
    m_progressBar1->setAccessibleName(tr("Progress"));
    m_button1->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_button4, 0, 0);
    grid->addWidget(m_edit1, 0, 1);
    grid->addWidget(m_firmVersion, 1, 0, 1, 2);
    grid->addWidget(m_label1, 2, 0, 1, 2);
    grid->addWidget(m_label2, 2, 0, 1, 2);
    grid->addWidget(m_progressBar1, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_button1);
    buttons->addWidget(m_button3);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->addWidget(m_bootVersion, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    // A fixed layout, larger only where the fonts need it.
    setFixedSize(QSize(DialogWidth, DialogHeight).expandedTo(sizeHint()));

    connect(m_button4, &QPushButton::clicked, this, [this] { m_form.Button4Click(); });
    connect(m_edit1, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_form.setEdit1(t); });
    connect(m_button1, &QPushButton::clicked, this, [this] { m_form.Button1Click(); });
    connect(m_button3, &QPushButton::clicked, this, [this] { m_form.Button3Click(); });

    connect(&m_form, &TUpgradeForm::fileNameChanged, this, &UpgradeDialog::showFileName);
    connect(&m_form, &TUpgradeForm::statusChanged, this, &UpgradeDialog::showStatus);
    connect(&m_form, &TUpgradeForm::versionTextsChanged, this, &UpgradeDialog::showVersions);
    connect(&m_form, &TUpgradeForm::progressChanged, m_progressBar1, &QProgressBar::setValue);
    connect(&m_form, &TUpgradeForm::programEnabledChanged, m_button1, &QPushButton::setEnabled);
    connect(&m_form, &TUpgradeForm::closeRequested, this, [this] { QDialog::reject(); });

    showFileName();
    showStatus();
    showVersions();
    m_progressBar1->setValue(m_form.ProgressBar1());
    m_button1->setEnabled(m_form.programEnabled());
}

void UpgradeDialog::reject()
{
    // The model closes the dialog at once, or after a running procedure has returned.
    m_form.Button3Click();
}

void UpgradeDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Shown by the program, not given back by the window system after minimising.
    if (!event->spontaneous())
        m_form.FormActivate();
}

void UpgradeDialog::showFileName()
{
    m_edit1->setText(m_form.Edit1());
}

void UpgradeDialog::showStatus()
{
    m_label1->setText(m_form.Label1());
    m_label2->setText(m_form.Label2());
}

void UpgradeDialog::showVersions()
{
    m_firmVersion->setText(m_form.FirmVersion());
    m_bootVersion->setText(m_form.BootVersion());
}
