#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <variant>

// A value as the file stores it: null, an integer, a double or UTF-8 text.
using StoredValue = std::variant<std::monostate, qint64, double, QByteArray>;
