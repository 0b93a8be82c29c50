#include "qt/platform/printing.h"

#include "qt/components/image_bridge.h"
#include "qt/platform/screen_lock.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTimer>

namespace framory::qt {

bool DefaultPrinter::prepare()
{
    m_painter.reset();
    m_printer.reset();
    const QPrinterInfo queue = QPrinterInfo::defaultPrinter();
    if (queue.isNull() || QPrinterInfo::defaultPrinterName().isEmpty()) {
        return false;
    }
    m_printer = std::make_unique<QPrinter>(queue, QPrinter::HighResolution);
    m_printer->setDocName(QStringLiteral("Framory"));
    // The setting made before measuring: the page is measured in the unit
    // the picture is drawn in, the printer's own pixels.
    m_printer->setFullPage(false);
    return m_printer->isValid();
}

bool DefaultPrinter::page_size(double& width, double& height)
{
    if (!m_printer) {
        return false;
    }
    const QRect page = m_printer->pageLayout().paintRectPixels(m_printer->resolution());
    width = page.width();
    height = page.height();
    return width > 0 && height > 0;
}

bool DefaultPrinter::draw_picture(const core::PictureObject& picture, double left, double top, double width,
                                  double height)
{
    const core::PixelView pixels = picture.pixels();
    if (!m_printer || pixels.pixels == nullptr) {
        return false;
    }
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        m_painter.reset();
        return false;
    }
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter->drawImage(QRectF(left, top, width, height), WrapPixels(pixels));
    return true;
}

bool DefaultPrinter::end_document()
{
    if (!m_painter) {
        return false;
    }
    const bool ok = m_painter->end();
    m_painter.reset();
    m_printer.reset();
    return ok;
}

void ShowMessageBoxes::printer_problem()
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(),
                    QString::fromLatin1(core::kPrinterProblem), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("PrinterProblemBox"));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (m_lock != nullptr) {
        m_lock->adopt(box);
    }
    // The box takes the keyboard once it shows, so that Enter answers it
    // even where no window manager hands the focus over.
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.exec();
}

} // namespace framory::qt
