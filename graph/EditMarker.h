#pragma once
// The marker's read-only edit box: moved by keys (and by key codes the dialog
// sends it), never by typing. After each handled key it clamps and aligns its
// value, rewrites its text and tells the dialog; other keys do nothing at all.
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>

namespace zr {

// Key codes as the receivers' tool windows know them.
enum MarkerKey : int {
    kKeyEnter = 13,
    kKeyPageUp = 33,
    kKeyPageDown = 34,
    kKeyEnd = 35,
    kKeyHome = 36,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKeyDelete = 46,
};
// The code of a Qt key, 0 for keys without one.
int MarkerKeyOf(int qtKey);

// What a marker edit reports: the value stayed at the minimum (0) or the
// maximum (1), or it changed or Enter was pressed (2).
enum MarkerEditCode { kStayedAtMinimum = 0, kStayedAtMaximum = 1, kMarkerChanged = 2 };

class CEditMarker : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditMarker(QWidget* parent = nullptr);
    int minimum = 0, maximum = 1, step = 1;

    virtual int ParseValue(const QString& text) const = 0;
    virtual QString FormatValue(int value) const = 0;
    virtual void ApplyKey(int key, int& value, bool& unhandled) const = 0;

    // The key algorithm, for a key press or a key code sent by the dialog.
    void ProcessKey(int key);

signals:
    void edited(int code);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

// Channel Scan: a channel digit "0".."F".
class CEditChMarker : public CEditMarker {
    Q_OBJECT
public:
    using CEditMarker::CEditMarker;
    int ParseValue(const QString& text) const override;
    QString FormatValue(int value) const override;
    void ApplyKey(int key, int& value, bool& unhandled) const override;
};

// "%03d.%03d" MHz of kHz ("000.000" at or below 0), and back (0 unless two numbers).
QString FrequencyText(int khz);
int ParseFrequency(const QString& text);

// Spectrum Scan: a frequency "MMM.kkk" in MHz, the value in kHz.
class CEditSpMarker : public CEditMarker {
    Q_OBJECT
public:
    using CEditMarker::CEditMarker;
    // The Start and Stop boxes of an up-down control: Up and Down step too.
    bool upDownKeys = false;
    int ParseValue(const QString& text) const override;
    QString FormatValue(int value) const override;
    void ApplyKey(int key, int& value, bool& unhandled) const override;
};

// Walk Test: a time "HHH:MM:SS.mmm", the value a point index. The one marker
// box that takes typing: a time typed and confirmed with Enter goes to the
// dialog as it stands (kMarkerChanged), beyond the visible window too.
class CEditWalkMarker : public CEditMarker {
    Q_OBJECT
public:
    explicit CEditWalkMarker(QWidget* parent = nullptr);
    int msPerPoint = 100;
    int ParseValue(const QString& text) const override;
    QString FormatValue(int value) const override;
    void ApplyKey(int key, int& value, bool& unhandled) const override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// Steps per repeat of a held up-down arrow, as the Windows control
// accelerates: one for the first 2 s, then 5, after 5 s 20.
int UpDownStepsHeld(int64_t heldMs);

class CMarkerButton;
// The key handling of a "<"/">" pair, the same in every tool: Enter clicks the
// button; Right on "<" moves the focus to ">" and on ">" clicks it; Left the
// other way round.
void HandleMarkerButtonKey(CMarkerButton* button, int key, CMarkerButton* left, CMarkerButton* right);

// The "<" and ">" buttons: their key presses go to the dialog first.
class CMarkerButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

signals:
    void keyPressed(int key);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// The "Marker" group's grid, the same in every graph window: `caption` on
// row 0, then "<", the marker edit and ">"; rows from 2 on are the caller's.
QGridLayout* MarkerGroupLayout(QGroupBox* group, const QString& caption, CMarkerButton* left, CEditMarker* edit, CMarkerButton* right);

} // namespace zr
