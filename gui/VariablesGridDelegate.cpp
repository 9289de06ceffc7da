#include "gui/VariablesGridDelegate.h"

#include "data/DataSettingsModel.h"
#include "data/TVarType.h"
#include "data/VarColors.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

using M = DataSettingsModel;

const QSize SwatchSize(16, 12);

QComboBox* listEditor(QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    // The list is all there is: nothing can be typed.
    combo->setEditable(false);
    return combo;
}

} // namespace

VariablesGridDelegate::VariablesGridDelegate(DataSettingsModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{}

QIcon VariablesGridDelegate::swatch(quint32 rgb)
{
    QPixmap pixmap(SwatchSize);
    pixmap.fill(QColor(QRgb(rgb)));
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

QWidget* VariablesGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const
{
    QComboBox* combo = nullptr;
    switch (index.column()) {
    case M::ColType:
        combo = listEditor(parent);
        for (int type = vtByte; type <= vtFloat; ++type)
            combo->addItem(varTypeText(type));
        break;
    case M::ColColor:
        combo = listEditor(parent);
        combo->setIconSize(SwatchSize);
        for (const VarColor& color : VarColors)
            combo->addItem(swatch(color.rgb), QString::fromLatin1(color.name));
        break;
    case M::ColScale:
    case M::ColOffset:
        m_model.GridBeforeEdit(index.column(), index.row());
        return QStyledItemDelegate::createEditor(parent, option, index);
    default:
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
    // A choice from the list is the end of the edit.
    connect(combo, &QComboBox::activated, this, &VariablesGridDelegate::commitChoice);
    return combo;
}

void VariablesGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        combo->setCurrentIndex(combo->findText(index.data(Qt::EditRole).toString()));
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void VariablesGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                         const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        model->setData(index, combo->currentText(), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

void VariablesGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    if (!isCheckColumn(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const bool checked = opt.checkState == Qt::Checked;
    // The cell without its indicator, then the indicator in the middle of the cell.
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    QStyleOptionViewItem check = opt;
    check.rect = checkRect(opt);
    check.state &= ~QStyle::State_HasFocus;
    check.state |= checked ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, widget);
}

void VariablesGridDelegate::initStyleOption(QStyleOptionViewItem* option,
                                            const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    switch (index.column()) {
    case M::ColN:
        // The row numbers look like the header they continue.
        option->displayAlignment = Qt::AlignCenter;
        option->backgroundBrush = option->palette.button();
        break;
    case M::ColColor:
        if (const QVariant rgb = index.data(M::ColorRgbRole); rgb.isValid()) {
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->icon = swatch(rgb.toUInt());
            option->decorationSize = SwatchSize;
        }
        break;
    default:
        break;
    }
}

bool VariablesGridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                        const QStyleOptionViewItem& option,
                                        const QModelIndex& index)
{
    if (!isCheckColumn(index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        // The whole cell is the check box's target, not only its small square.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
            return false;
        break;
    }
    case QEvent::MouseButtonDblClick:
        // The second click of a double click toggles on its release like any other.
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void VariablesGridDelegate::commitChoice()
{
    auto* editor = qobject_cast<QWidget*>(sender());
    Q_EMIT commitData(editor);
    Q_EMIT closeEditor(editor);
}

bool VariablesGridDelegate::isCheckColumn(const QModelIndex& index)
{
    return index.column() == M::ColActive || index.column() == M::ColSign;
}

QRect VariablesGridDelegate::checkRect(const QStyleOptionViewItem& option)
{
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const QSize size(style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget),
                     style->pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget));
    return QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
}
