#pragma once

#include <QObject>
#include <QString>

#include <array>

// The texts of the status bar's six panels. Views follow changed(). GUI thread only.
class StatusPanels : public QObject
{
    Q_OBJECT

public:
    static constexpr int Count = 6;
    // What each panel shows; panel 5 stays empty.
    enum Panel { Caret = 0, Syntax = 1, Run = 2, Connection = 3, Power = 4 };

    explicit StatusPanels(const std::array<QString, Count>& texts = {}) : m_texts(texts) {}

    QString text(int index) const { return m_texts[size_t(index)]; }
    // Emits changed() when the panel's text is a different one.
    void setText(int index, const QString& text);

Q_SIGNALS:
    void changed();

private:
    std::array<QString, Count> m_texts;
};
