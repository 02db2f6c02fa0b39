#pragma once
// Small helpers that create named controls with an accessible name and hint.
#include <QString>
#include <QWidget>

template <typename T, typename... Args>
T *makeControl(QWidget *parent, const char *name, const QString &accessibleName, const QString &hint, Args &&...args)
{
    T *control = new T(std::forward<Args>(args)..., parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setAccessibleName(accessibleName.isEmpty() ? QString::fromLatin1(name) : accessibleName);
    if (!hint.isEmpty())
        control->setToolTip(hint);
    return control;
}
