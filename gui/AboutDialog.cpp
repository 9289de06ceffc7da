#include "gui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setObjectName(QStringLiteral("AboutBox"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(QIcon(QStringLiteral(":/taviro.svg")).pixmap(QSize(64, 64)));
    picture->setAccessibleName(QStringLiteral("Taviro"));

    auto* product = new QLabel(QStringLiteral("Taviro"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    product->setFont(big);
    auto* kind = new QLabel(QStringLiteral("Software"), this);
    kind->setObjectName(QStringLiteral("Copyright"));
    auto* version = new QLabel(QStringLiteral("Version 1.25"), this);
    version->setObjectName(QStringLiteral("Version"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(kind);
    texts->addWidget(version);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(16);
    top->addLayout(texts, 1);
    top->addSpacing(40);

    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addWidget(ok);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
