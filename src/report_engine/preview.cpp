#include "report_engine/preview.h"

#include <QGuiApplication>
#include <QScreen>

#include "report_engine/prepare.h"
#include "report_engine/render.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/file_dialog.h"
#include "ui/guard.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace report {

namespace {
constexpr int kPageGap = 12; // pixels around the page in the scroll area
}

PageView::PageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setPage(int page) {
    page_ = page;
    update();
}

void PageView::setZoom(double pxPerMm) {
    zoom_ = std::clamp(pxPerMm, 0.2, 40.0);
    const QSize s = pageSize();
    setFixedSize(s.width() + 2 * kPageGap, s.height() + 2 * kPageGap);
    update();
}

QSize PageView::pageSize() const {
    if (!doc_) return QSize(1, 1);
    return QSize(qRound(doc_->page.paperWidth() * zoom_), qRound(doc_->page.paperHeight() * zoom_));
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    if (!doc_) return;
    const QRect pageRect(QPoint(kPageGap, kPageGap), pageSize());
    p.fillRect(pageRect.translated(3, 3), QColor(0, 0, 0, 60));
    p.fillRect(pageRect, Qt::white);
    p.translate(pageRect.topLeft());
    paintPage(p, *doc_, page_, zoom_);
}

Preview::Preview(QWidget* parent) : QDialog(parent), printer_(QPrinter::HighResolution) {
    setWindowTitle(QStringLiteral("Предварительный просмотр"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    FirstButton = new QPushButton(QStringLiteral("|<"), this);
    FirstButton->setToolTip(QStringLiteral("Первая страница"));
    PriorButton = new QPushButton(QStringLiteral("<"), this);
    PriorButton->setToolTip(QStringLiteral("Предыдущая страница"));
    PageLabel = new QLabel(this);
    PageLabel->setAlignment(Qt::AlignCenter);
    PageLabel->setMinimumWidth(130);
    NextButton = new QPushButton(QStringLiteral(">"), this);
    NextButton->setToolTip(QStringLiteral("Следующая страница"));
    LastButton = new QPushButton(QStringLiteral(">|"), this);
    LastButton->setToolTip(QStringLiteral("Последняя страница"));
    WidthButton = new QPushButton(QStringLiteral("По ширине"), this);
    WholeButton = new QPushButton(QStringLiteral("Страница целиком"), this);
    PrintButton = new QPushButton(QStringLiteral("Печать"), this);
    PdfButton = new QPushButton(QStringLiteral("Сохранить в PDF"), this);
    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    for (QPushButton* b : {FirstButton, PriorButton, NextButton, LastButton, WidthButton,
                           WholeButton, PrintButton, PdfButton, CloseButton})
        b->setAutoDefault(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(FirstButton);
    bar->addWidget(PriorButton);
    bar->addWidget(PageLabel);
    bar->addWidget(NextButton);
    bar->addWidget(LastButton);
    bar->addSpacing(16);
    bar->addWidget(WidthButton);
    bar->addWidget(WholeButton);
    bar->addSpacing(16);
    bar->addWidget(PrintButton);
    bar->addWidget(PdfButton);
    bar->addStretch();
    bar->addWidget(CloseButton);

    view_ = new PageView;
    view_->setDocument(&doc_);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(view_);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->viewport()->installEventFilter(this);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addLayout(bar);
    box->addWidget(scroll_, 1);

    printDialog_ = new QPrintDialog(&printer_, this);
    printDialog_->setWindowTitle(QStringLiteral("Печать"));
    pdfDialog_ = new QFileDialog(this, QStringLiteral("Сохранить в PDF"));
    ui::useRussianFileDialog(pdfDialog_);
    pdfDialog_->setAcceptMode(QFileDialog::AcceptSave);
    pdfDialog_->setNameFilter(QStringLiteral("Документы PDF (*.pdf)"));
    pdfDialog_->setDefaultSuffix(QStringLiteral("pdf"));

    connect(FirstButton, &QPushButton::clicked, this, ui::guard([this] { setPage(0); }));
    connect(PriorButton, &QPushButton::clicked, this, ui::guard([this] { setPage(page() - 1); }));
    connect(NextButton, &QPushButton::clicked, this, ui::guard([this] { setPage(page() + 1); }));
    connect(LastButton, &QPushButton::clicked, this,
            ui::guard([this] { setPage(doc_.pageCount() - 1); }));
    connect(WidthButton, &QPushButton::clicked, this,
            ui::guard([this] { setZoomMode(ZoomMode::PageWidth); }));
    connect(WholeButton, &QPushButton::clicked, this,
            ui::guard([this] { setZoomMode(ZoomMode::WholePage); }));
    connect(PrintButton, &QPushButton::clicked, this, ui::guard([this] { PrintClick(); }));
    connect(PdfButton, &QPushButton::clicked, this, ui::guard([this] { PdfClick(); }));
    connect(CloseButton, &QPushButton::clicked, this, ui::guard([this] { hide(); }));
    updateControls();
}

void Preview::setDocument(Document doc) {
    doc_ = std::move(doc);
    setWindowTitle(doc_.title.isEmpty()
                       ? QStringLiteral("Предварительный просмотр")
                       : QStringLiteral("Предварительный просмотр: ") + doc_.title);
    mode_ = ZoomMode::PageWidth;
    view_->setPage(0);
    applyZoom();
    scroll_->verticalScrollBar()->setValue(0);
    updateControls();
}

void Preview::setPage(int page) {
    page = std::clamp(page, 0, std::max(0, doc_.pageCount() - 1));
    if (page != view_->page()) {
        view_->setPage(page);
        scroll_->verticalScrollBar()->setValue(0);
    }
    updateControls();
}

void Preview::setZoomMode(ZoomMode mode) {
    mode_ = mode;
    applyZoom();
}

void Preview::applyZoom() {
    const QSize area = scroll_->viewport()->size();
    const double w = doc_.page.paperWidth();
    const double h = doc_.page.paperHeight();
    switch (mode_) {
    case ZoomMode::PageWidth: {
        // the vertical scroll bar will take its room beside a page taller than the window
        int width = area.width();
        if (!scroll_->verticalScrollBar()->isVisible())
            width -= scroll_->verticalScrollBar()->sizeHint().width();
        view_->setZoom((width - 2 * kPageGap) / w);
        break;
    }
    case ZoomMode::WholePage:
        view_->setZoom(
            std::min((area.width() - 2 * kPageGap) / w, (area.height() - 2 * kPageGap) / h));
        break;
    case ZoomMode::Fixed:
        view_->setZoom(view_->zoom());
        break;
    }
}

void Preview::updateControls() {
    const int count = doc_.pageCount();
    const int p = view_->page();
    PageLabel->setText(QStringLiteral("Страница %1 из %2").arg(count ? p + 1 : 0).arg(count));
    FirstButton->setEnabled(p > 0);
    PriorButton->setEnabled(p > 0);
    NextButton->setEnabled(p + 1 < count);
    LastButton->setEnabled(p + 1 < count);
    PrintButton->setEnabled(count > 0);
    PdfButton->setEnabled(count > 0);
}

void Preview::PrintClick() {
    printDialog_->setMinMax(1, std::max(1, doc_.pageCount()));
    printDialog_->setOptions(QAbstractPrintDialog::PrintPageRange |
                             QAbstractPrintDialog::PrintToFile);
    printDialog_->setResult(QDialog::Rejected);
    ui::showModal(printDialog_);
    if (printDialog_->result() != QDialog::Accepted) return;
    ui::BusyCursor busy;
    if (!print(doc_, printer_))
        ui::message(QStringLiteral("Не удалось напечатать отчет"), QStringLiteral("Ошибка"));
}

void Preview::PdfClick() {
    QString name = doc_.title.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
    pdfDialog_->selectFile((name.isEmpty() ? QStringLiteral("Отчет") : name) +
                           QStringLiteral(".pdf"));
    pdfDialog_->setResult(QDialog::Rejected);
    ui::showModal(pdfDialog_);
    if (pdfDialog_->result() != QDialog::Accepted) return;
    const QString path = pdfDialog_->selectedFiles().value(0);
    if (path.isEmpty()) return;
    ui::BusyCursor busy;
    writePdf(doc_, path);
}

void Preview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
        setPage(page() + 1);
        return;
    case Qt::Key_PageUp:
        setPage(page() - 1);
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) return setPage(0);
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) return setPage(doc_.pageCount() - 1);
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

bool Preview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize &&
        mode_ != ZoomMode::Fixed)
        applyZoom();
    return QDialog::eventFilter(watched, event);
}

void Preview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyZoom();
}

Preview* previewWindow() {
    static QPointer<Preview> window;
    if (!window) {
        window = new Preview;
        // gone before the application object is
        qAddPostRoutine([] { delete window.data(); });
    }
    return window;
}

void preview(Document doc, Preview::ZoomMode zoom) {
    Preview* w = previewWindow();
    w->setDocument(std::move(doc));
    w->setZoomMode(zoom);
    // the whole screen even where no window manager acts on the maximised state
    if (QScreen* screen = QGuiApplication::primaryScreen())
        w->setGeometry(screen->availableGeometry());
    w->setWindowState(w->windowState() | Qt::WindowMaximized);
    ui::showModal(w);
    w->setDocument(Document()); // the pages are not kept once the window is closed
}

void preview(const Layout& layout, const data::Query& query, Preview::ZoomMode zoom) {
    Document doc;
    {
        ui::BusyCursor busy;
        doc = prepare(layout, query);
    }
    preview(std::move(doc), zoom);
}

} // namespace report
