#include "platform/toolkit/message_text_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// A paragraph longer than this is laid out a stretch at a time, so no single layout (and no step
// of scrolling) costs more than this many characters, however long the paragraph.
constexpr qsizetype kPieceLength = 4096;
// Where a message box starts to wrap its lines.
constexpr int kUsualWrapWidth = 500;
constexpr int kGapBeforeScrollBar = 4;

bool IsLineBreak(QChar c) { return c == u'\n' || c == u'\r'; }

}  // namespace

MessageTextView::MessageTextView(QString text, QWidget* parent)
    : QAbstractScrollArea(parent), text_(std::move(text)) {
  setFrameShape(QFrame::NoFrame);
  // Drawn on the box's own background, as a label would be.
  viewport()->setBackgroundRole(QPalette::Window);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The scroll position is the text position of the top line.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          &MessageTextView::OnScrollAction);
}

// Multiples of kPieceLength, moved off the middle of a surrogate pair.
qsizetype MessageTextView::PieceBoundary(qsizetype index) const {
  qsizetype at = std::min(index * kPieceLength, text_.size());
  if (at > 0 && at < text_.size() && text_[at].isLowSurrogate() && text_[at - 1].isHighSurrogate()) {
    ++at;
  }
  return at;
}

MessageTextView::Piece MessageTextView::PieceAt(qsizetype position) const {
  const qsizetype size = text_.size();
  position = std::clamp<qsizetype>(position, 0, size);
  // The end belongs to the last piece unless a line break ends the text.
  if (position == size && size > 0 && !IsLineBreak(text_[size - 1])) --position;
  // The LF of a CR LF belongs with its CR.
  if (position > 0 && position < size && text_[position] == u'\n' && text_[position - 1] == u'\r') {
    --position;
  }
  qsizetype index = position / kPieceLength;
  if (PieceBoundary(index) > position) --index;
  const qsizetype lowest = PieceBoundary(index), highest = PieceBoundary(index + 1);
  Piece piece;
  piece.start = position;
  while (piece.start > lowest && !IsLineBreak(text_[piece.start - 1])) --piece.start;
  piece.end = position;
  while (piece.end < highest && !IsLineBreak(text_[piece.end])) ++piece.end;
  piece.next = piece.end;
  if (piece.end < size && IsLineBreak(text_[piece.end])) {
    piece.next = piece.end + 1;
    if (text_[piece.end] == u'\r' && piece.next < size && text_[piece.next] == u'\n') ++piece.next;
  }
  return piece;
}

qreal MessageTextView::LayOut(const Piece& piece, qreal width, QTextLayout* layout) const {
  layout->setText(text_.mid(piece.start, piece.end - piece.start));
  layout->setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout->setTextOption(option);
  qreal height = 0;
  layout->beginLayout();
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout->endLayout();
  return height;
}

MessageTextView::LineCursor MessageTextView::CursorAt(qsizetype position, qreal width) const {
  LineCursor cursor;
  cursor.piece = PieceAt(position);
  QTextLayout layout;
  LayOut(cursor.piece, width, &layout);
  for (int i = 0; i < layout.lineCount(); ++i) {
    cursor.starts.push_back(cursor.piece.start + layout.lineAt(i).textStart());
    cursor.heights.push_back(layout.lineAt(i).height());
  }
  if (cursor.starts.empty()) {
    cursor.starts.push_back(cursor.piece.start);
    cursor.heights.push_back(fontMetrics().height());
  }
  auto after = std::upper_bound(cursor.starts.begin(), cursor.starts.end(), position);
  cursor.line = after == cursor.starts.begin() ? 0 : after - cursor.starts.begin() - 1;
  return cursor;
}

bool MessageTextView::Next(LineCursor* cursor, qreal width) const {
  if (cursor->line + 1 < cursor->starts.size()) {
    ++cursor->line;
  } else if (!IsLast(cursor->piece)) {
    *cursor = CursorAt(cursor->piece.next, width);
  } else {
    return false;
  }
  return true;
}

bool MessageTextView::Previous(LineCursor* cursor, qreal width) const {
  if (cursor->line > 0) {
    --cursor->line;
  } else if (cursor->piece.start > 0) {
    *cursor = CursorAt(cursor->piece.start - 1, width);
    cursor->line = cursor->starts.size() - 1;
  } else {
    return false;
  }
  return true;
}

qsizetype MessageTextView::LinesDown(qsizetype position, int count) const {
  LineCursor cursor = CursorAt(position, TextWidth());
  while (count-- > 0 && Next(&cursor, TextWidth())) {
  }
  return cursor.starts[cursor.line];
}

qsizetype MessageTextView::LinesUp(qsizetype position, int count) const {
  LineCursor cursor = CursorAt(position, TextWidth());
  while (count-- > 0 && Previous(&cursor, TextWidth())) {
  }
  return cursor.starts[cursor.line];
}

qsizetype MessageTextView::LastPageTop() const {
  LineCursor cursor = CursorAt(text_.size(), TextWidth());
  qsizetype top = cursor.starts[cursor.line];
  for (qreal room = viewport()->height();;) {
    room -= cursor.heights[cursor.line];
    if (room < 0) return top;
    top = cursor.starts[cursor.line];
    if (!Previous(&cursor, TextWidth())) return top;
  }
}

qreal MessageTextView::TextWidth() const { return std::max(1, viewport()->width()); }

int MessageTextView::LinesPerPage() const {
  return std::max(1, viewport()->height() / std::max(1, fontMetrics().lineSpacing()));
}

void MessageTextView::FitWithin(QSize most) {
  const int scrollBarWidth = verticalScrollBar()->sizeHint().width();
  const int width =
      std::max(1, std::min(kUsualWrapWidth, most.width() - scrollBarWidth - kGapBeforeScrollBar));
  qreal height = 0, widest = 0;
  for (qsizetype position = 0;;) {
    Piece piece = PieceAt(position);
    QTextLayout layout;
    height += LayOut(piece, width, &layout);
    for (int i = 0; i < layout.lineCount(); ++i) {
      widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
    }
    if (height > most.height()) {
      // Lines further down may be wider than those seen so far: give them the whole width.
      setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      setViewportMargins(0, 0, kGapBeforeScrollBar, 0);
      setFixedSize(static_cast<int>(width) + kGapBeforeScrollBar + scrollBarWidth, most.height());
      return;
    }
    if (IsLast(piece)) {
      // Wrapped at the widest line's width, the lines break where they broke here.
      setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      setFocusPolicy(Qt::NoFocus);  // nothing to scroll
      setFixedSize(std::max(1, static_cast<int>(std::ceil(widest))),
                   static_cast<int>(std::ceil(height)));
      return;
    }
    position = piece.next;
  }
}

void MessageTextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::WindowText));
  const qreal width = TextWidth();
  const qsizetype top = verticalScrollBar()->value();
  qreal y = 0;
  for (qsizetype position = top; y < viewport()->height();) {
    Piece piece = PieceAt(position);
    QTextLayout layout;
    qreal height = LayOut(piece, width, &layout);
    qreal skipped = 0;
    if (position == top) {  // the top line may lie inside the first piece
      for (int i = 0; i < layout.lineCount(); ++i) {
        QTextLine line = layout.lineAt(i);
        if (piece.start + line.textStart() > top) break;
        skipped = line.y();
      }
    }
    layout.draw(&painter, QPointF(0, y - skipped));
    y += height - skipped;
    if (IsLast(piece)) break;
    position = piece.next;
  }
}

void MessageTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void MessageTextView::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  // Positions fit an int for any text a box is given.
  bar->setRange(0, static_cast<int>(std::min<qsizetype>(LastPageTop(), INT_MAX)));
  // The thumb's length shows roughly how much of the text is in view.
  qsizetype firstPage = LinesDown(0, LinesPerPage());
  bar->setPageStep(static_cast<int>(std::clamp<qsizetype>(firstPage, 1, INT_MAX)));
  bar->setSliderPosition(static_cast<int>(LinesDown(bar->value(), 0)));
}

// Steps and pages move by lines; a dragged thumb shows the line it lands in (see paintEvent).
void MessageTextView::OnScrollAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  const qsizetype top = bar->value();
  qsizetype position = -1;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      position = LinesDown(top, 1);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      position = LinesUp(top, 1);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      position = LinesDown(top, LinesPerPage());
      break;
    case QAbstractSlider::SliderPageStepSub:
      position = LinesUp(top, LinesPerPage());
      break;
    default:
      return;
  }
  bar->setSliderPosition(static_cast<int>(std::min<qsizetype>(position, bar->maximum())));
}

void MessageTextView::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches == 0) return QAbstractScrollArea::wheelEvent(event);
  QScrollBar* bar = verticalScrollBar();
  const int lines = 3 * std::abs(notches);
  qsizetype position = notches < 0 ? LinesDown(bar->value(), lines) : LinesUp(bar->value(), lines);
  bar->setValue(static_cast<int>(std::min<qsizetype>(position, bar->maximum())));
  event->accept();
}

void MessageTextView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
    verticalScrollBar()->triggerAction(event->key() == Qt::Key_Home
                                           ? QAbstractSlider::SliderToMinimum
                                           : QAbstractSlider::SliderToMaximum);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}
