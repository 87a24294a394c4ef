// The preview window: the prepared pages at page-width zoom, page navigation, printing
// through the system's print dialog and saving as PDF.
#pragma once

#include "report_engine/document.h"

#include <QDialog>
#include <QPrinter>
#include <QWidget>

class QFileDialog;
class QLabel;
class QPrintDialog;
class QPushButton;
class QScrollArea;

namespace data {
class Query;
}

namespace report {

struct Layout;

// Draws one page of a document at a given zoom (pixels per millimetre).
class PageView : public QWidget {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);
    void setDocument(const Document* doc) { doc_ = doc; }
    void setPage(int page);
    int page() const { return page_; }
    void setZoom(double pxPerMm);
    double zoom() const { return zoom_; }
    QSize pageSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Document* doc_ = nullptr;
    int page_ = 0;
    double zoom_ = 3;
};

class Preview : public QDialog {
    Q_OBJECT
public:
    enum class ZoomMode { PageWidth, WholePage, Fixed };

    explicit Preview(QWidget* parent = nullptr);

    void setDocument(Document doc);
    const Document& document() const { return doc_; }

    int page() const { return view_->page(); } // 0-based
    void setPage(int page);
    double zoom() const { return view_->zoom(); }
    ZoomMode zoomMode() const { return mode_; }
    void setZoomMode(ZoomMode mode);

    PageView* view() const { return view_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QPrinter& printer() { return printer_; }
    QPrintDialog* printDialog() const { return printDialog_; }
    QFileDialog* pdfDialog() const { return pdfDialog_; }

    QPushButton* FirstButton;
    QPushButton* PriorButton;
    QPushButton* NextButton;
    QPushButton* LastButton;
    QLabel* PageLabel;
    QPushButton* WidthButton;
    QPushButton* WholeButton;
    QPushButton* PrintButton;
    QPushButton* PdfButton;
    QPushButton* CloseButton;

public slots:
    void PrintClick();
    void PdfClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyZoom();
    void updateControls();

    Document doc_;
    ZoomMode mode_ = ZoomMode::PageWidth;
    PageView* view_;
    QScrollArea* scroll_;
    QPrinter printer_;
    QPrintDialog* printDialog_;
    QFileDialog* pdfDialog_;
};

// The one preview window of the program, created on first use.
Preview* previewWindow();

// Shows the pages maximised, at page width unless another zoom is asked for, and returns
// when the window closes.
void preview(Document doc, Preview::ZoomMode zoom = Preview::ZoomMode::PageWidth);
// Prepares the layout over the rows of an open query and previews the pages.
void preview(const Layout& layout, const data::Query& query,
             Preview::ZoomMode zoom = Preview::ZoomMode::PageWidth);

} // namespace report
