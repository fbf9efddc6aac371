// GBK Text to and from Qt strings, through the code page crossing.
#pragma once

#include <QString>

#include "text/text.h"

QString ToQString(const Text& gbk);
Text FromQString(const QString& text);
