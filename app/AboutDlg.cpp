#include "app/AboutDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QStyle>

#include "Version.h"

namespace zr {

QString VersionText(bool detailMode)
{
    if (detailMode)
        return QString("%1.%2.%3.%4").arg(ZR_VERSION_MAJOR).arg(ZR_VERSION_MINOR).arg(ZR_VERSION_PATCH).arg(ZR_VERSION_TWEAK + 0);
    return QString("%1.%2.%3").arg(ZR_VERSION_MAJOR).arg(ZR_VERSION_MINOR).arg(ZR_VERSION_PATCH);
}

CAboutDlg::CAboutDlg(bool detailMode, ReceiverInformation information, QWidget* parent) : QDialog(parent), m_information(std::move(information))
{
    setObjectName("aboutDlg");
    setWindowTitle("Version");
    m_icon = new QLabel(this);
    m_icon->setPixmap(QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32)
                                                          : QApplication::windowIcon().pixmap(32, 32));
    m_icon->installEventFilter(this);
    m_icon->setAccessibleName("Program icon");
    auto* name = new QLabel("ZR-Q6930 Maintenance Software", this);
    m_version = new QLabel("Version " + VersionText(detailMode), this);
    auto* ok = new QPushButton("OK", this);
    m_fwVer = new QPushButton("FW Ver", this);
    ok->setDefault(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_icon, 0, 0, 2, 1);
    layout->addWidget(name, 0, 1);
    layout->addWidget(m_version, 1, 1);
    layout->addWidget(ok, 0, 2);
    layout->addWidget(m_fwVer, 1, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_fwVer, &QPushButton::clicked, this, [this] {
        if (m_information.showFwVersion())
            accept();
    });
}

void CAboutDlg::OnIconDoubleClicked(bool shift, bool ctrl)
{
    if (shift && ctrl && m_information.showIdView())
        accept();
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_icon && event->type() == QEvent::MouseButtonDblClick) {
        const Qt::KeyboardModifiers mods = QApplication::queryKeyboardModifiers();
        OnIconDoubleClicked(mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zr
