#include "help/TQuikStart1.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TQuikStart1 *QuikStart1 = nullptr;

namespace {
// First and last line (0-based, inclusive) of each page in the tour text.
constexpr int kPageLines[TQuikStart1::kPages][2] = {{0, 4},   {5, 9},   {10, 14}, {15, 18}, {19, 22},
                                                    {23, 26}, {27, 30}, {31, 34}, {35, 38}};
} // namespace

TQuikStart1::TQuikStart1(QWidget *parent) : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    QuikStart1 = this;
    setObjectName("QuikStart1");
    setWindowTitle("Getting Started");
    resize(633, 524);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QToolBar(this);
    bar->setObjectName("ToolBar1");
    auto button = [bar, this](const char *name, const QString &caption, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAccessibleName(caption);
        bar->addWidget(b);
        return b;
    };
    PrevBtn = button("PrevBtn", "Back", QStyle::SP_ArrowBack);
    NextBtn = button("NextBtn", "Next", QStyle::SP_ArrowForward);
    CloseBtn = button("CloseBtn", "Close", QStyle::SP_DialogCloseButton);
    CHKQUIKTIPS = new QCheckBox("Do Not Dipslay Start Up Tips Next Start Up.", this);
    CHKQUIKTIPS->setObjectName("CHKQUIKTIPS");
    CHKQUIKTIPS->hide();
    layout->addWidget(bar);
    Memo1 = new QTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Getting Started");
    Memo1->setReadOnly(true);
    QFont font = Memo1->font();
    font.setPointSize(16);
    Memo1->setFont(font);
    layout->addWidget(Memo1, 1);
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName("Memo2");
    Memo2->hide();
    QFile tour(":/help/Tour.txt");
    if (tour.open(QIODevice::ReadOnly | QIODevice::Text))
        Memo2->setPlainText(QString::fromUtf8(tour.readAll()).trimmed());
    connect(PrevBtn, &QToolButton::clicked, this, &TQuikStart1::PrevBtnClick);
    connect(NextBtn, &QToolButton::clicked, this, &TQuikStart1::NextBtnClick);
    connect(CloseBtn, &QToolButton::clicked, this, &TQuikStart1::CloseBtnClick);
}

TQuikStart1::~TQuikStart1()
{
    if (QuikStart1 == this)
        QuikStart1 = nullptr;
}

void TQuikStart1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The application-wide style sheet already gives this window the main window's look.
    WkIndex = 1;
    ShowPage(WkIndex);
}

void TQuikStart1::ShowPage(int page)
{
    Memo1->clear();
    const QTextDocument *doc = Memo2->document();
    QStringList lines;
    for (int line = kPageLines[page - 1][0]; line <= kPageLines[page - 1][1]; ++line)
        lines << doc->findBlockByNumber(line).text();
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    // Centre every paragraph of the page.
    QTextCursor cursor(Memo1->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
}

void TQuikStart1::NextBtnClick()
{
    WkIndex = WkIndex >= kPages ? 1 : WkIndex + 1;
    ShowPage(WkIndex);
}

void TQuikStart1::PrevBtnClick()
{
    WkIndex = qMax(1, WkIndex - 1);
    ShowPage(WkIndex);
}

void TQuikStart1::CloseBtnClick() { close(); }
