#include "skin/ff_static_text.h"

#include "skin/skin_parser.h"
#include "skin/skin_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPalette>

namespace {

// Screen readers read the full text; an empty label reads the name its owner gave it.
class StaticTextAccessible : public QAccessibleWidget {
public:
    explicit StaticTextAccessible(CFFStaticText* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* label = static_cast<const CFFStaticText*>(object());
        if (t == QAccessible::Name && !label->FullText().isEmpty())
            return label->FullText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* StaticTextFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CFFStaticText") && object != nullptr && object->isWidgetType())
        return new StaticTextAccessible(static_cast<CFFStaticText*>(object));
    return nullptr;
}

} // namespace

CFFStaticText::CFFStaticText(QWidget* parent) : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(StaticTextFactory);
        return true;
    }();
    (void)factoryInstalled;
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAutoFillBackground(false);
    SetTextColor(color_);
}

bool CFFStaticText::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);
    QPoint position = pos();
    QSize size = this->size();
    int maximumLength = maximumLength_;
    QFont skinFont = font();
    QColor color = color_;
    bool hasPosition = false, hasSize = false, hasFont = false;
    while (parser.NextAttribute()) {
        if (parser.GetPair("position", position))
            hasPosition = true;
        else if (parser.GetSize("size", size))
            hasSize = true;
        else if (parser.GetInt("maximum_length", maximumLength))
            continue;
        else if (parser.GetFont("font", skinFont))
            hasFont = true;
        else
            parser.GetColor("font_color", color);
    }
    if (hasFont)
        setFont(skinFont);
    SetTextColor(color);
    maximumLength_ = maximumLength;
    ShowText();
    PlaceSkinnedControl(*this, hasPosition ? &position : nullptr, hasSize ? &size : nullptr);
    return true;
}

void CFFStaticText::SetText(const QString& text) {
    fullText_ = text;
    ShowText();
}

void CFFStaticText::SetMaximumLength(int length) {
    maximumLength_ = length;
    ShowText();
}

void CFFStaticText::SetTextColor(const QColor& color) {
    color_ = color;
    QPalette palette = this->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
        palette.setColor(QPalette::Active, role, color_);
        palette.setColor(QPalette::Inactive, role, color_);
        palette.setColor(QPalette::Disabled, role, SkinDisabledTextColor());
    }
    setPalette(palette);
}

QString CFFStaticText::CutText(const QString& text, int maximumLength) {
    if (maximumLength <= 0 || text.size() <= maximumLength)
        return text;
    qsizetype keep = maximumLength - 1;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep; // never split a surrogate pair
    return text.left(keep) + QChar(0x2026);
}

void CFFStaticText::ShowText() {
    QString shown = CutText(fullText_, maximumLength_);
    // A text wider than the skin's box ends in an ellipsis rather than in a cut letter.
    if (!wordWrap() && width() > 0)
        shown = fontMetrics().elidedText(shown, Qt::ElideRight, contentsRect().width());
    setText(shown);
    const QString whole = shown == fullText_ ? QString() : fullText_;
    setToolTip(whole);
    setAccessibleDescription(whole);
}

void CFFStaticText::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    ShowText();
}

void CFFStaticText::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ShowText();
}
