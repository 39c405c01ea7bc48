#include "ui/TBadDlg.h"

#include "ui/Centring.h"

#include <QListWidget>
#include <QPainter>
#include <QResizeEvent>

#include "ui/ListFont.h"
#include "ui/QtText.h"

namespace korva {

namespace {

constexpr int kMargin = 10;

// A page with a red cross: the window's own icon.
QIcon BadFileIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 2.5, 19, 27));
    p.setPen(QPen(QColor(210, 0, 0), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(22, 22));
    p.drawLine(QPointF(22, 10), QPointF(10, 22));
    return QIcon(icon);
}

}  // namespace

TBadDlg::TBadDlg(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TBadDlg"));
    setWindowTitle(QStringLiteral("KORVA97"));
    setWindowIcon(BadFileIcon());
    setSizeGripEnabled(true);
    badListBox_ = new QListWidget(this);
    badListBox_->setObjectName(QStringLiteral("BadListBox"));
    badListBox_->setAccessibleName(QStringLiteral("ＭＩＤＩファイルが存在しないデータ"));
    resize(400, 132);
    FitBadList();
    ApplyListFont();
}

void TBadDlg::FitBadList() {
    badListBox_->setGeometry(kMargin, kMargin, width() - 2 * kMargin, height() - 2 * kMargin);
}

void TBadDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitBadList();
}

void TBadDlg::ClearBadList() {
    badListBox_->clear();
}

void TBadDlg::AddBadLine(const std::string& sjisLine) {
    badListBox_->addItem(FromSjis(sjisLine));
}

void TBadDlg::ShowBadList(const std::string& sjisCaption) {
    setWindowTitle(FromSjis(sjisCaption));
    if (!placed_) {
        CentreOnScreen(*this);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TBadDlg::ApplyListFont() {
    badListBox_->setFont(ListFont(model_.settings));
}

}  // namespace korva
