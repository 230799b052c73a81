#pragma once
// Helpers for the song settings tests: finding controls, answering nested modal dialogs and
// making small pictures.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "app/dialogs/ColorPicker.h"

template <class T>
T* Child(QObject& parent, const char* name)
{
    T* child = parent.findChild<T*>(name);
    if (!child) qFatal("no child %s", name);
    return child;
}

// Runs act on the next modal dialog of type T as soon as it shows (the caller then opens it).
template <class T>
void OnNextModal(std::function<void(T&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        act(*modal);
    });
    timer->start(10);
}

inline QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    return items;
}

// A picture of four coloured blocks.
inline bool WriteBlocks(const QString& path, int width = 160, int height = 96)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    p.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(0, 255, 0));
    p.fillRect(0, height / 2, width / 2, height - height / 2, QColor(0, 0, 255));
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(255, 255, 255));
    p.end();
    return image.save(path, "PNG");
}

// Answers every Color Picker with the given colour for as long as it lives.
class PickerAnswer {
public:
    explicit PickerAnswer(uint32_t colour)
    {
        ColorPicker::SetAnswererForTesting([this, colour](uint32_t& rgb) {
            asked.push_back(rgb);
            rgb = colour;
            return true;
        });
    }
    ~PickerAnswer() { ColorPicker::SetAnswererForTesting(nullptr); }
    std::vector<uint32_t> asked;
};
