// The text of a message box: plain text of any length, wrapped to the view's width and scrolled
// by lines. Only the lines in view (and a few around them) are ever laid out, so a text of many
// megabytes costs no more to show than a short one.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QTextLayout>

#include <vector>

class MessageTextView : public QAbstractScrollArea {
 public:
  explicit MessageTextView(QString text, QWidget* parent = nullptr);

  // The text as given.
  const QString& text() const { return text_; }

  // Sizes the view to show the whole text, lines wrapped at no more than `most`'s width (and at
  // a message box's usual width); where the text is taller than `most`, to `most`'s height with a
  // scroll bar for the rest. Lays out no more than that height of text.
  void FitWithin(QSize most);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // One piece laid out on its own: a paragraph, or a stretch of a very long paragraph.
  // [start, end) is shown; next is where the following piece starts (past the line break).
  struct Piece {
    qsizetype start = 0, end = 0, next = 0;
  };
  // A place among the lines: a piece's lines (positions in text_ and heights) and one of them.
  struct LineCursor {
    Piece piece;
    std::vector<qsizetype> starts;
    std::vector<qreal> heights;
    std::size_t line = 0;
  };

  qsizetype PieceBoundary(qsizetype index) const;
  // The piece that holds `position` (the text's end belongs to the last piece).
  Piece PieceAt(qsizetype position) const;
  bool IsLast(const Piece& piece) const { return piece.end == text_.size(); }
  // Lays out the piece in lines of `width`, one below the other from 0; their height.
  qreal LayOut(const Piece& piece, qreal width, QTextLayout* layout) const;

  // At the line that holds `position`, lines `width` wide.
  LineCursor CursorAt(qsizetype position, qreal width) const;
  // Moves to the next (previous) line; false at the last (first).
  bool Next(LineCursor* cursor, qreal width) const;
  bool Previous(LineCursor* cursor, qreal width) const;
  // The start of the line `count` lines below (above) the one holding `position`, or of the last
  // (first) line when there are fewer.
  qsizetype LinesDown(qsizetype position, int count) const;
  qsizetype LinesUp(qsizetype position, int count) const;
  // The top line of the last page.
  qsizetype LastPageTop() const;
  qreal TextWidth() const;
  int LinesPerPage() const;
  void UpdateScrollRange();
  void OnScrollAction(int action);

  QString text_;
};
