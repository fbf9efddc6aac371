// The control kinds of a window description, as Qt widgets.
#pragma once

#include <QFont>
#include <QWidget>

#include "platform/toolkit/window_description.h"

// The widget for one control under `parent`, placed, flagged and bound to its window's handlers;
// nullptr when one of its images cannot be loaded.
QWidget* CreateControl(const ControlDescription& control, const WindowDescription& window,
                       QWidget* parent);

// A label's or button's text, an edit box's content; empty for the other kinds.
QString ControlText(const QWidget* widget);
// Sets what ControlText reads; raises no event.
void SetControlText(QWidget* widget, const QString& text);

// The Qt font for a description; height 0 gives the default GUI font.
QFont FontFor(const FontDescription& font);
