#include "graph/EditMarker.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <cstdio>

#include "graph/WalkGraphModel.h"
#include "graph/ReadOnlyText.h"

namespace zr {

int MarkerKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyEnter;
    case Qt::Key_PageUp: return kKeyPageUp;
    case Qt::Key_PageDown: return kKeyPageDown;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Delete: return kKeyDelete;
    default: return 0;
    }
}

CEditMarker::CEditMarker(QWidget* parent) : QLineEdit(parent)
{
    MakeReadOnly(this); // moved by keys alone, never by typed or set text
    setAlignment(Qt::AlignCenter);
}

void CEditMarker::ProcessKey(int key)
{
    const int old = ParseValue(text().left(32));
    int value = old;
    bool unhandled = false;
    ApplyKey(key, value, unhandled);
    if (unhandled)
        return;
    int v = value > maximum ? maximum : value < minimum ? minimum : value;
    if (step != 0 && v % step != 0)
        v = (v / step) * step;
    setText(FormatValue(v));
    const int code = key == kKeyEnter || v != old ? kMarkerChanged : v == minimum ? kStayedAtMinimum : v == maximum ? kStayedAtMaximum : kMarkerChanged;
    emit edited(code);
}

void CEditMarker::keyPressEvent(QKeyEvent* e)
{
    // Never the edit's own handling: keys without a rule do nothing.
    e->accept();
    ProcessKey(MarkerKeyOf(e->key()));
}

void CEditMarker::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        e->accept(); // no context menu
        return;
    }
    QLineEdit::mousePressEvent(e);
}

int CEditChMarker::ParseValue(const QString& text) const
{
    unsigned v = 0;
    return std::sscanf(text.toLatin1().constData(), "%x", &v) == 1 ? static_cast<int>(v) : 0;
}

QString CEditChMarker::FormatValue(int value) const
{
    static const char* const digits[16] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"};
    return value >= 0 && value < 16 ? digits[value] : QString();
}

namespace {

// Left and Right move one point; every other key is not the box's.
void StepByArrow(int key, int& value, bool& unhandled)
{
    if (key == kKeyLeft)
        --value;
    else if (key == kKeyRight)
        ++value;
    else
        unhandled = true;
}

} // namespace

void CEditChMarker::ApplyKey(int key, int& value, bool& unhandled) const
{
    StepByArrow(key, value, unhandled);
}

QString FrequencyText(int khz)
{
    return khz <= 0 ? QString("000.000") : QString::asprintf("%03d.%03d", khz / 1000, khz % 1000);
}

int ParseFrequency(const QString& text)
{
    int mhz = 0, khz = 0;
    return std::sscanf(text.toLatin1().constData(), "%d.%d", &mhz, &khz) == 2 ? mhz * 1000 + khz : 0;
}

int CEditSpMarker::ParseValue(const QString& text) const
{
    return ParseFrequency(text);
}

QString CEditSpMarker::FormatValue(int value) const
{
    return FrequencyText(value);
}

void CEditSpMarker::ApplyKey(int key, int& value, bool& unhandled) const
{
    switch (key) {
    case kKeyEnter: break;
    case kKeyPageUp: value += 500; break;
    case kKeyPageDown: value -= 500; break;
    case kKeyEnd: value = minimum; break; // End to the minimum, Home to the maximum
    case kKeyHome: value = maximum; break;
    case kKeyLeft: value -= step; break;
    case kKeyRight: value += step; break;
    case kKeyUp: upDownKeys ? void(value += step) : void(unhandled = true); break;
    case kKeyDown: upDownKeys ? void(value -= step) : void(unhandled = true); break;
    default: unhandled = true; break;
    }
}

int UpDownStepsHeld(int64_t heldMs)
{
    return heldMs < 2000 ? 1 : heldMs < 5000 ? 5 : 20;
}

CEditWalkMarker::CEditWalkMarker(QWidget* parent) : CEditMarker(parent)
{
    setReadOnly(false); // the one box that takes a typed time
    setProperty("zrReadOnlyText", false);
    setMaxLength(32);
}

void CEditWalkMarker::keyPressEvent(QKeyEvent* e)
{
    const QString typed = e->text();
    const bool timeCharacter = typed.size() == 1 && (typed[0].isDigit() || typed[0] == ':' || typed[0] == '.');
    if (timeCharacter || e->key() == Qt::Key_Backspace) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && isModified()) {
        e->accept();
        setModified(false);
        emit edited(kMarkerChanged);
        return;
    }
    CEditMarker::keyPressEvent(e);
}

int CEditWalkMarker::ParseValue(const QString& text) const
{
    return static_cast<int>(WalkTimeToIndex(text.toStdString(), msPerPoint));
}

QString CEditWalkMarker::FormatValue(int value) const
{
    return QString::fromStdString(WalkTimeText(value, msPerPoint));
}

void CEditWalkMarker::ApplyKey(int key, int& value, bool& unhandled) const
{
    if (key != kKeyEnter) // Enter leaves the time as it is
        StepByArrow(key, value, unhandled);
}

void HandleMarkerButtonKey(CMarkerButton* button, int key, CMarkerButton* left, CMarkerButton* right)
{
    if (key == kKeyEnter)
        button->click();
    else if (key == kKeyRight)
        button == left ? right->setFocus() : right->click();
    else if (key == kKeyLeft)
        button == right ? left->setFocus() : left->click();
}

void CMarkerButton::keyPressEvent(QKeyEvent* e)
{
    emit keyPressed(MarkerKeyOf(e->key()));
    // Left and Right are the marker's (held, they walk it): Qt's own handling
    // would move the focus on to the next button as well.
    if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) {
        e->accept();
        return;
    }
    QPushButton::keyPressEvent(e);
}

QGridLayout* MarkerGroupLayout(QGroupBox* group, const QString& caption, CMarkerButton* left, CEditMarker* edit, CMarkerButton* right)
{
    auto* layout = new QGridLayout(group);
    layout->addWidget(new QLabel(caption, group), 0, 0, 1, 3);
    layout->addWidget(left, 1, 0);
    layout->addWidget(edit, 1, 1);
    layout->addWidget(right, 1, 2);
    return layout;
}

} // namespace zr
