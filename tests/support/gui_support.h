// Shared by the window tests: Qt's offscreen platform with one 1920 x 1080 screen, the toolkit and
// the program's handlers, and ways to reach the widgets a description became.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "platform/toolkit/toolkit.h"
#include "text/text.h"

// Once per test program: the application object on the offscreen platform, a fresh home folder,
// the toolkit, and the program's own handler binding.
void StartGui();

// The program's handlers but the submission, which these tests never mean to send.
Handler WindowHandlers(const Text& name);

// GBK for a UTF-8 literal (these sources are compiled without the GBK execution charset).
Text G(const char* utf8);

// The widget a loaded window (by its description's name) or one of its controls became.
QWidget* WindowWidget(const char* name);
QWidget* ControlWidget(const char* window, const char* utf8Name);

// A control's place in its window's coordinates.
QPoint PlaceInWindow(const QWidget* control);

// Unloads both windows and waits until they are destroyed.
void UnloadAll();

// Lets posted work (deferred destruction, repaints) run.
void Settle();

// Saves a rendering of the window to build/screenshots/<file>.
void SaveScreenshot(const QImage& image, const char* file);
