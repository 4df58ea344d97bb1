// CFFStaticText: a skinned text label: text, font, colour and place from the skin,
// drawn on the parent's background. A text longer than the skin's maximum length is cut to that
// many characters, the last one an ellipsis; the full text is then the tooltip and the
// accessible description. The accessible name is the full text; while the text is empty it is
// the name the owner set (setAccessibleName), so that an empty slot can still be found.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class CSkinParser;

class CFFStaticText : public QLabel {
    Q_OBJECT

public:
    explicit CFFStaticText(QWidget* parent = nullptr);

    // Reads position (pair), size, maximum_length, font, font_color and applies them. False
    // when the section is missing.
    bool LoadSkin(CSkinParser& parser, const char* section, int index = -1);

    void SetText(const QString& text);
    const QString& FullText() const { return fullText_; }
    // Characters shown at most; 0 or less: no limit.
    void SetMaximumLength(int length);
    int MaximumLength() const { return maximumLength_; }
    void SetTextColor(const QColor& color);
    QColor TextColor() const { return color_; }

    // The text cut to maximumLength characters (the last an ellipsis), or unchanged.
    static QString CutText(const QString& text, int maximumLength);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ShowText();

    QString fullText_;
    int maximumLength_ = 0;
    QColor color_ = Qt::black;
};
