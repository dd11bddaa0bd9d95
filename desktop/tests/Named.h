#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace yomida::qt {

// The widget of that object name and type under `parent`, as a test finds it; one the window
// lacks fails the test with its name instead of crashing it later.
template <typename T>
T* Named(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) {
        throw std::logic_error(std::string("no ") + T::staticMetaObject.className() + " named " +
                               name.toStdString());
    }
    return found;
}

}  // namespace yomida::qt
