// SPDX-License-Identifier: MIT
// The window's controls, placed as laid out for 96 pixels per inch.
#include "tform1.h"

#include "color_swatch.h"
#include "listing_view.h"
#include "plot_image.h"
#include "progress_bar.h"
#include "radio_group.h"
#include "screen_fit.h"
#include "spin_edit.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace dorvanel {
namespace {

constexpr int kClientWidth = 637;
constexpr int kClientHeight = 336;

// The first of `families` installed, or the nearest face of the same size and kind. The size is
// the height in pixels at 96 pixels per inch, given in points so that it follows the screen's
// logical resolution.
QFont Font(const QStringList& families, QFont::StyleHint kind, int height, bool bold = false) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(kind);
    font.setFixedPitch(kind == QFont::TypeWriter);
    font.setPointSizeF(height * 72.0 / 96.0);
    font.setBold(bold);
    return font;
}

QFont SansFont(int height, bool bold = false) {
    return Font({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("DejaVu Sans")},
                QFont::SansSerif, height, bold);
}

// The listing needs a fixed pitch so that the padded totals line up.
QFont FixedFont(int height) {
    return Font({QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono"),
                 QStringLiteral("Liberation Mono")},
                QFont::TypeWriter, height);
}

QLabel* PlacedLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

template <typename Control>
Control* Placed(Control* control, int left, int top, int width, int height) {
    control->setGeometry(left, top, width, height);
    return control;
}

// How much wider than laid out a control must be to show its content in this platform's font.
// It takes that much more room, and what stands to its right moves over by as much.
int Growth(const QWidget* control, int laidOutWidth) {
    return std::max(0, control->sizeHint().width() - laidOutWidth);
}

// The area between the menu bar and the status line, of no minimum height: the window may be as
// short as those two, the controls cut off between them. Its size hint keeps the height laid out.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize minimumSizeHint() const override { return {QWidget::minimumSizeHint().width(), 0}; }
};

} // namespace

void TForm1::BuildLayout() {
    setWindowTitle(QStringLiteral("Dorvanel v. 1.0"));
    setFont(SansFont(11));

    auto* client = new ClientArea(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetNoConstraint);
    setCentralWidget(client);

    Panel1 = new QFrame(client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(84);
    column->addWidget(Panel1);

    seDieNo = new SpinEdit(1, 10000, 3, Panel1);
    seDieNo->setFont(SansFont(13));
    const int dieNoGrowth = Growth(seDieNo, 49);
    Placed(seDieNo, 8, 7, 49 + dieNoGrowth, 26);
    Label1 = Placed(new QLabel(QStringLiteral("D"), Panel1), 60 + dieNoGrowth, 7, 15, 24);
    Label1->setFont(SansFont(19, true));
    seDieType = new SpinEdit(1, 1000, 6, Panel1);
    seDieType->setFont(SansFont(13));
    const int dieTypeGrowth = Growth(seDieType, 49);
    Placed(seDieType, 75 + dieNoGrowth, 7, 49 + dieTypeGrowth, 26);
    Analyze = Placed(new QPushButton(QStringLiteral("Analyze"), Panel1), 5, 40, 75, 17);

    // What stands right of the spin edits moves over by as much as they grew.
    const int shift = dieNoGrowth + dieTypeGrowth;
    edPool = Placed(new QLineEdit(Panel1), 5, 60, 119 + shift, 20);
    edPool->setPlaceholderText(QStringLiteral("+ 2d8 + 5"));
    lbNum = PlacedLabel(Panel1, QStringLiteral("Total Possible Rolls: NA"), 127 + shift, 3);
    lbRng = PlacedLabel(Panel1, QStringLiteral("Ranges: NA"), 127 + shift, 15);
    lbVal = PlacedLabel(Panel1, QStringLiteral("Value: NA"), 127 + shift, 28);
    lbValNo = PlacedLabel(Panel1, QStringLiteral("Value Possibilities: NA66666666666666666666666"),
                          127 + shift, 40);
    lbValPerc = PlacedLabel(Panel1, QStringLiteral("Probability of Value: NA"), 127 + shift, 53);
    lbDispSize = PlacedLabel(Panel1, QStringLiteral("Dispaly Size: "), 127 + shift, 65);

    cbClearGraf = new QCheckBox(QStringLiteral("Clear screen for new graph?"), Panel1);
    Placed(cbClearGraf, 259 + shift, 6, 153 + Growth(cbClearGraf, 153), 17);
    cbClearGraf->setChecked(true);
    cbClearGraf->hide();
    btnClearGraf = Placed(new QPushButton(QStringLiteral("Clear Graph"), Panel1), 9, 11, 36, 25);
    btnClearGraf->hide();
    cbRange1 = new QCheckBox(QStringLiteral("Show entire X range?"), Panel1);
    const int range1Growth = Growth(cbRange1, 121);
    Placed(cbRange1, 284 + shift, 66, 121 + range1Growth, 17);
    cbWholeY = new QCheckBox(QStringLiteral("Show entire Y range?"), Panel1);
    const int wholeYGrowth = Growth(cbWholeY, 123);
    Placed(cbWholeY, 410 + shift + range1Growth, 66, 123 + wholeYGrowth, 17);

    Shape1 = Placed(new ColorSwatch(&dlgColor, Panel1), 415 + shift, 3, 20, 20);
    Shape2 = Placed(new ColorSwatch(&dlgFill, Panel1), 415 + shift, 24, 20, 20);
    Shape3 = Placed(new ColorSwatch(&dlgBG, Panel1), 415 + shift, 45, 20, 20);
    Button1 =
        Placed(new QPushButton(QStringLiteral("Select Pen Color"), Panel1), 436 + shift, 3, 98, 21);
    Button2 = Placed(new QPushButton(QStringLiteral("Select Fill Brush"), Panel1), 436 + shift, 24,
                     98, 21);
    Button3 = Placed(new QPushButton(QStringLiteral("Select Background"), Panel1), 436 + shift, 45,
                     98, 21);
    // The window widens by as much as the row that grew most: the check boxes, which also moved.
    const int widening = shift + range1Growth + wholeYGrowth;

    // The radio group keeps to the panel's right edge, inside its one-pixel bevel.
    radGraf = new RadioGroup(QStringLiteral("Select graph style"),
                             {QStringLiteral("Line"), QStringLiteral("Bar")}, Panel1);
    radGraf->setFixedSize(100, 82);
    auto* panelRow = new QHBoxLayout(Panel1);
    panelRow->setContentsMargins(0, 0, 0, 0);
    panelRow->addStretch();
    panelRow->addWidget(radGraf);

    pb1 = new ProgressBar(client);
    column->addWidget(pb1);
    pb2 = new ProgressBar(client);
    column->addWidget(pb2);

    Splitter1 = new QSplitter(Qt::Horizontal, client);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setStyleSheet(QStringLiteral("QSplitter::handle { background: red; }"));
    column->addWidget(Splitter1, 1);

    meRes = new ListingView(Splitter1);
    meRes->setFont(FixedFont(11));
    QPalette listingColors = meRes->palette();
    listingColors.setColor(QPalette::Base, QColor(0, 0, 128));
    listingColors.setColor(QPalette::Text, Qt::yellow);
    meRes->setPalette(listingColors);
    meRes->setMinimumWidth(20);
    vidGraf = new PlotImage(Splitter1);
    // The readout follows the pointer.
    vidGraf->setMouseTracking(true);
    vidGraf->installEventFilter(this);
    vidGraf->setMinimumWidth(20);
    Splitter1->addWidget(meRes);
    Splitter1->addWidget(vidGraf);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    // A wider panel widens the listing, so that the plot keeps its laid-out size.
    Splitter1->setSizes({193 + widening, kClientWidth - 193 - 3});
    // No minimum height: the plot may shrink to nothing, as the window has only a minimum width.
    Splitter1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    Splitter1->handle(1)->setCursor(Qt::SplitHCursor);

    // The pool the results belong to, named wherever the inputs have moved on since.
    lbPool = new QLabel(QStringLiteral("No analysis yet"), this);
    statusBar()->addWidget(lbPool, 1);
    statusBar()->setSizeGripEnabled(false);

    MainMenu1 = menuBar();
    // Alt and the underlined letter open a menu.
    File1 = MainMenu1->addMenu(QStringLiteral("&File"));
    Exporttable1 = File1->addAction(QStringLiteral("&Export table\u2026"));
    Exporttable1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    Savegraphimage1 = File1->addAction(QStringLiteral("&Save graph image\u2026"));
    N2 = File1->addSeparator();
    Quit1 = File1->addAction(QStringLiteral("&Quit"));
    Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    View1 = MainMenu1->addMenu(QStringLiteral("&View"));
    Keepforcomparison1 = View1->addAction(QStringLiteral("&Keep for comparison"));
    Keepforcomparison1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    Clearcomparison1 = View1->addAction(QStringLiteral("&Clear comparison"));
    N3 = View1->addSeparator();
    ShareViews = new QActionGroup(this);
    Exactly1 = View1->addAction(QStringLiteral("E&xactly"));
    Atleast1 = View1->addAction(QStringLiteral("At &least"));
    Atmost1 = View1->addAction(QStringLiteral("At &most"));
    for (QAction* view : {Exactly1, Atleast1, Atmost1}) {
        view->setCheckable(true);
        ShareViews->addAction(view);
    }
    Exactly1->setChecked(true);
    N4 = View1->addSeparator();
    Showaxes1 = View1->addAction(QStringLiteral("Show &axes"));
    Showaxes1->setCheckable(true);
    Likelytotalsonly1 = View1->addAction(QStringLiteral("Likely &totals only"));
    Likelytotalsonly1->setCheckable(true);
    Options1 = MainMenu1->addMenu(QStringLiteral("&Options"));
    Reverttoinitialsettings1 = Options1->addAction(QStringLiteral("&Revert to initial settings"));
    Restoredefaultsettings1 = Options1->addAction(QStringLiteral("Restore &default settings"));
    N1 = Options1->addSeparator();
    Savesettings1 = Options1->addAction(QStringLiteral("&Save settings"));
    Options1->addSeparator();
    Explosiondepth1 = Options1->addAction(QStringLiteral("&Explosion depth\u2026"));
    Help1 = MainMenu1->addMenu(QStringLiteral("&Help"));
    Aboutdorvanel1 = Help1->addAction(QStringLiteral("&About Dorvanel"));
    // Enter runs an analysis wherever the focus is: a shortcut of a hidden menu item, also
    // held by the window itself so that it works while the menu is hidden.
    X1 = MainMenu1->addMenu(QStringLiteral("X"));
    X1->menuAction()->setVisible(false);
    Xa1 = X1->addAction(QStringLiteral("Xa"));
    Xa1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    Xa1->setShortcutContext(Qt::WindowShortcut);
    addAction(Xa1);

    dlgExport = new QProgressDialog(this);
    dlgExport->setWindowTitle(QStringLiteral("Export table"));
    dlgExport->setRange(0, 1000);
    dlgExport->setMinimumDuration(1000);
    dlgExport->reset(); // hidden until an export has taken a while
    // Quitting asks about the export, also from its progress.
    dlgExport->addAction(Quit1);

    setTabOrder(seDieNo, seDieType);
    setTabOrder(seDieType, Analyze);
    setTabOrder(Analyze, edPool);
    setTabOrder(edPool, cbRange1);
    setTabOrder(cbRange1, cbClearGraf);
    setTabOrder(cbClearGraf, btnClearGraf);
    setTabOrder(btnClearGraf, Button1);
    // The group takes no focus itself: its items stand in its place.
    QWidget* beforeStyle = Button1;
    for (QRadioButton* item : radGraf->findChildren<QRadioButton*>()) {
        setTabOrder(beforeStyle, item);
        beforeStyle = item;
    }
    setTabOrder(beforeStyle, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, cbWholeY);
    setTabOrder(cbWholeY, meRes);
    setTabOrder(meRes, vidGraf);

    for (auto [object, name] : std::initializer_list<std::pair<QObject*, const char*>>{
             {vidGraf, "vidGraf"},
             {Panel1, "Panel1"},
             {seDieNo, "seDieNo"},
             {Label1, "Label1"},
             {seDieType, "seDieType"},
             {Analyze, "Analyze"},
             {lbNum, "lbNum"},
             {pb1, "pb1"},
             {meRes, "meRes"},
             {Splitter1, "Splitter1"},
             {pb2, "pb2"},
             {cbRange1, "cbRange1"},
             {cbClearGraf, "cbClearGraf"},
             {btnClearGraf, "btnClearGraf"},
             {Button1, "Button1"},
             {Shape1, "Shape1"},
             {lbRng, "lbRng"},
             {lbVal, "lbVal"},
             {radGraf, "radGraf"},
             {MainMenu1, "MainMenu1"},
             {X1, "X1"},
             {Xa1, "Xa1"},
             {Button2, "Button2"},
             {Shape2, "Shape2"},
             {Button3, "Button3"},
             {Shape3, "Shape3"},
             {cbWholeY, "cbWholeY"},
             {Options1, "Options1"},
             {Reverttoinitialsettings1, "Reverttoinitialsettings1"},
             {Restoredefaultsettings1, "Restoredefaultsettings1"},
             {N1, "N1"},
             {Savesettings1, "Savesettings1"},
             {Explosiondepth1, "Explosiondepth1"},
             {lbValNo, "lbValNo"},
             {lbValPerc, "lbValPerc"},
             {lbDispSize, "lbDispSize"},
             {File1, "File1"},
             {Exporttable1, "Exporttable1"},
             {Savegraphimage1, "Savegraphimage1"},
             {N2, "N2"},
             {Quit1, "Quit1"},
             {edPool, "edPool"},
             {lbPool, "lbPool"},
             {dlgExport, "dlgExport"},
             {Help1, "Help1"},
             {View1, "View1"},
             {Keepforcomparison1, "Keepforcomparison1"},
             {Clearcomparison1, "Clearcomparison1"},
             {N3, "N3"},
             {ShareViews, "ShareViews"},
             {Exactly1, "Exactly1"},
             {Atleast1, "Atleast1"},
             {Atmost1, "Atmost1"},
             {N4, "N4"},
             {Showaxes1, "Showaxes1"},
             {Likelytotalsonly1, "Likelytotalsonly1"},
             {Aboutdorvanel1, "Aboutdorvanel1"}})
        object->setObjectName(QString::fromLatin1(name));

    // The layout's states are the default settings.
    ShowSettings(DisplaySettings{});

    move(181, 121);
    resize(kClientWidth + widening,
           kClientHeight + MainMenu1->sizeHint().height() + statusBar()->sizeHint().height());
    setMinimumWidth(kClientWidth + widening);
    // A window manager resizes in whole device pixels per logical one, counted from the base
    // size: from this size, so that it is taken exactly also at fractional scale factors.
    setBaseSize(size());
    KeepOnScreen(this);
}

} // namespace dorvanel
