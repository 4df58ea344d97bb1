// CFFListBox: a skinned list: lines of one fixed height, drawn in three colour pairs:
// the current line (the caret; -1 = none) in the current colours, else a selected line in the
// selected colours, else the normal ones; the text word-wrapped inside the line.
//
// Selection is state the owner sets (SetLineSelected): the user's clicks and keys move the
// current line but never change the selection. Screen readers see each line's text and whether
// it is selected.
#pragma once

#include <QColor>
#include <QListWidget>
#include <QString>

class CSkinParser;

class CFFListBox : public QListWidget {
    Q_OBJECT

public:
    enum ColorRole {
        NormalBackground,   // color_background
        NormalText,         // color_foreground
        SelectedBackground, // color_selbg
        SelectedText,       // color_sel
        CurrentBackground,  // color_currbg
        CurrentText,        // color_curr
        ColorRoleCount
    };

    explicit CFFListBox(QWidget* parent = nullptr);

    // Reads position (quad, first point), size, the six colours and the font, and applies them.
    // False when the section is missing.
    virtual bool LoadSkin(CSkinParser& parser, const char* section, int index = -1);

    static QColor DefaultColor(ColorRole role);
    void SetColor(ColorRole role, const QColor& color);
    QColor Color(ColorRole role) const { return colors_[role]; }

    // Inserts a line before index (-1 or past the end: appends); returns its index.
    int InsertLine(int index, const QString& text);
    void SetLineText(int line, const QString& text);
    QString LineText(int line) const;
    int LineCount() const { return count(); }

    void SetCurrentLine(int line); // -1 or out of range: no current line
    int CurrentLine() const;
    void SetLineSelected(int line, bool selected);
    bool IsLineSelected(int line) const;

    // The fixed line height; 0 (the default) follows the font: its height plus 4.
    void SetLineHeight(int height);
    int LineHeight() const;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A selection the owner did not make (a screen reader's select or toggle) is taken back and
    // reported to OutsideSelect: the owner decides what a line's selection means.
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    virtual void OutsideSelect(int line) { (void)line; }

private:
    QColor colors_[ColorRoleCount];
    int lineHeight_ = 0;
    bool ownerSelects_ = false;
};
