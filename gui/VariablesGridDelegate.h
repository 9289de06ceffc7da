#pragma once

#include <QStyledItemDelegate>

class DataSettingsModel;

// The cells of the "Variables Settings" grid: a centred check box that a click anywhere in the
// cell toggles, drop-downs that offer only their list ("Type", and "Color" with a swatch of
// each colour), and line editors for the typed cells. Opening a Scale or Offset editor is
// where the model's edit begins; committing one hands the entered text to the model's rules.
class VariablesGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit VariablesGridDelegate(DataSettingsModel& model, QObject* parent = nullptr);

    // A small swatch of a 0xRRGGBB colour, as the Color cells and their list show it.
    static QIcon swatch(quint32 rgb);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void commitChoice();
    static bool isCheckColumn(const QModelIndex& index);
    // The check box's square in the middle of the cell.
    static QRect checkRect(const QStyleOptionViewItem& option);

    DataSettingsModel& m_model;
};
