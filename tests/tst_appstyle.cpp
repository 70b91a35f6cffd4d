// The program's look: the application style sheet and its images, the size style
// sheet of the main window, and the drag filter for widgets marked "canMove".
#include "appinit.h"
#include "appstyle.h"
#include "demoinstrument.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "sizestylesheet.h"

#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const char *const kStyleSheet = ":/qss/psblue.css";

QString loadStyleSheet()
{
    QFile file(QString::fromLatin1(kStyleSheet));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

// WCAG relative luminance and contrast ratio.
double luminance(const QColor &c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class EventCountingWidget : public QWidget
{
public:
    using QWidget::QWidget;

    int presses = 0;
    int moves = 0;
    int releases = 0;
    QList<int> counts() const { return {presses, moves, releases}; }

protected:
    void mousePressEvent(QMouseEvent *event) override { ++presses, event->accept(); }
    void mouseMoveEvent(QMouseEvent *event) override { ++moves, event->accept(); }
    void mouseReleaseEvent(QMouseEvent *event) override { ++releases, event->accept(); }
};

// A press or release of `button`, or a move with `button` held.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &global,
               Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, QPointF(global - widget->pos()), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void setLanguage(MainWindow *window, bool chinese)
{
    if (chinese)
        window->on_btnLanguageZh_clicked();
    else
        window->on_btnLanguageEn_clicked();
}

// As the program starts: the real style sheet and font, the given instrument (if any) plugged in,
// the window shown at its default size with the catalogues next to it.
struct StyledWindow {
    PluggedInstrument plugged;
    const QString startDir = QDir::currentPath();
    MainWindow *window = nullptr;

    explicit StyledWindow(VirtualInstrument *instrument = nullptr)
    {
        if (!AppStyle::applyStyleSheet() || !QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)))
            return;
        AppStyle::applyFont();
        window = plugged.start(instrument);
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            window = nullptr;
    }
    ~StyledWindow()
    {
        plugged.reset();
        QDir::setCurrent(startDir);
    }
};

} // namespace

class TestAppStyle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void cleanupTestCase()
    {
        qApp->setStyleSheet(QString());
        AppInit::release();
    }

    void sizeStyleSheet()
    {
        // The expected sheet, one rule a line under tests/data.
        QFile file(QStringLiteral(SOLVANE_TEST_DATA "/sizestylesheet.qss"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString expected = QString::fromLatin1(file.readAll()).remove(u'\n');
        const QString sheet = SizeStyleSheet::build();
        // The three sizes that matter most, named before the whole text is compared.
        QVERIFY(sheet.contains(QLatin1String("QDateTimeEdit::drop-down{width:20px;}")));
        QVERIFY(sheet.contains(QLatin1String("QListWidget::indicator{width:13px;height:13px;}")));
        QVERIFY(sheet.contains(
            QLatin1String("QScrollBar:horizontal{min-height:12px;border-radius:6px;}")));
        QCOMPARE(sheet, expected);
    }

    void styleSheetResource()
    {
        QFile file(QString::fromLatin1(kStyleSheet));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();

        // Read as Latin-1 at start-up: anything beyond ASCII would arrive garbled.
        for (int i = 0; i < bytes.size(); ++i) {
            const uchar c = uchar(bytes.at(i));
            if (!(c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)))
                QFAIL(qPrintable(u"byte %1 at offset %2 is not plain ASCII"_s.arg(c).arg(i)));
        }

        const QString sheet = QString::fromLatin1(bytes);
        QVERIFY(sheet.startsWith(
            QLatin1String("QPalette{background:#FFFFFF;}*{outline:0px;color:#00BFFF;}")));
        QCOMPARE(sheet.mid(20, 7), u"#FFFFFF"_s);
        const QColor paletteColour(sheet.mid(20, 7));
        QVERIFY(paletteColour.isValid());
        QCOMPARE(paletteColour, QColor(Qt::white));
    }

    void styleSheetParsesAndKeepsTextReadable()
    {
        const QString sheet = loadStyleSheet();
        QVERIFY(!sheet.isEmpty());
        QTest::failOnWarning(
            QRegularExpression(u"parse|stylesheet"_s, QRegularExpression::CaseInsensitiveOption));

        const QPalette oldPalette = QApplication::palette();
        qApp->setPalette(QPalette(QColor(sheet.mid(20, 7))));
        qApp->setStyleSheet(sheet);

        QDialog dialog;
        auto *layout = new QVBoxLayout(&dialog);
        auto *label = new QLabel(u"Irradiance"_s, &dialog);
        auto *lineEdit = new QLineEdit(u"12.5"_s, &dialog);
        auto *textEdit = new QTextEdit(u"note"_s, &dialog);
        auto *combo = new QComboBox(&dialog);
        combo->addItems({u"mW/cm2"_s, u"W/m2"_s});
        auto *spin = new QSpinBox(&dialog);
        auto *dateTime = new QDateTimeEdit(&dialog);
        dateTime->setCalendarPopup(true);
        auto *check = new QCheckBox(u"Auto"_s, &dialog);
        check->setChecked(true);
        auto *radio = new QRadioButton(u"Peak"_s, &dialog);
        auto *group = new QGroupBox(u"Setup"_s, &dialog);
        auto *table = new QTableWidget(3, 2, &dialog);
        table->setHorizontalHeaderLabels({u"NUM"_s, u"VAL"_s});
        table->setItem(0, 0, new QTableWidgetItem(u"1"_s));
        auto *progress = new QProgressBar(&dialog);
        progress->setValue(40);
        auto *button = new QPushButton(u"Get Data"_s, &dialog);
        const QList<QWidget *> texts = {label, lineEdit, textEdit, combo, spin,    dateTime,
                                        check, radio,    group,    table, progress};
        for (QWidget *w : texts)
            layout->addWidget(w);
        layout->addWidget(button);
        dialog.resize(420, 640);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage shot = dialog.grab().toImage(); // paints every sub-control once
        QVERIFY(!shot.isNull());

        // The universal rule tints text light blue; every text widget must override it.
        for (QWidget *w : texts) {
            const QPalette pal = w->palette();
            const QColor fg = pal.color(w->foregroundRole());
            QColor bg = pal.color(w->backgroundRole());
            if (bg.alpha() < 255)
                bg = Qt::white;
            QVERIFY2(contrast(fg, bg) >= 4.5,
                     qPrintable(u"%1: %2 on %3"_s.arg(
                         QString::fromLatin1(w->metaObject()->className()), fg.name(), bg.name())));
        }
        const QColor headerText = table->horizontalHeader()->palette().color(QPalette::ButtonText);
        QVERIFY(contrast(headerText, Qt::white) >= 4.5);

        // Push buttons are dark with white text.
        const QImage face = button->grab().toImage();
        const QColor buttonFace = face.pixelColor(5, face.height() / 2);
        QVERIFY2(luminance(buttonFace) < 0.1, qPrintable(buttonFace.name()));
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(Qt::white));

        dialog.close();
        qApp->setStyleSheet(QString());
        qApp->setPalette(oldPalette);
    }

    void styleSheetImagesExist()
    {
        const QString sheet = loadStyleSheet();
        QVERIFY(!sheet.isEmpty());
        const QRegularExpression url(u"url\\(\\s*[\"']?([^\"')]*)[\"']?\\s*\\)"_s);
        QSet<QString> seen;
        for (auto it = url.globalMatch(sheet); it.hasNext();)
            seen.insert(it.next().captured(1));

        for (const QString &path : std::as_const(seen)) {
            QVERIFY2(path.startsWith(QLatin1String(":/qss/psblack/")), qPrintable(path));
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            QVERIFY2(image.hasAlphaChannel(), qPrintable(path));
            const QString name = path.section(QLatin1Char('/'), -1);
            QSize expected;
            if (name.startsWith(QLatin1String("radiobutton_")))
                expected = QSize(15, 15);
            else if (name.startsWith(QLatin1String("checkbox_")))
                expected = QSize(13, 13);
            else if (name.startsWith(QLatin1String("arrow_")))
                expected = QSize(10, 10);
            QVERIFY2(expected.isValid(), qPrintable(path));
            QCOMPARE(image.size(), expected);
        }
        // Each state the sheet can show has its own picture.
        for (const char *state :
             {"unchecked", "unchecked_hover", "unchecked_disable", "checked", "checked_disable"}) {
            QVERIFY(seen.contains(u":/qss/psblack/radiobutton_%1.png"_s.arg(QLatin1String(state))));
            QVERIFY(seen.contains(u":/qss/psblack/checkbox_%1.png"_s.arg(QLatin1String(state))));
        }
        // Checked and unchecked must actually look different.
        QVERIFY(QImage(u":/qss/psblack/checkbox_checked.png"_s) !=
                QImage(u":/qss/psblack/checkbox_unchecked.png"_s));
        QVERIFY(QImage(u":/qss/psblack/radiobutton_checked.png"_s) !=
                QImage(u":/qss/psblack/radiobutton_unchecked.png"_s));
    }

    void linkIndicatorImages()
    {
        const QImage on(u":/image/led_on.png"_s);
        const QImage off(u":/image/led_off.png"_s);
        QVERIFY(!on.isNull());
        QVERIFY(!off.isNull());
        QCOMPARE(on.size(), QSize(28, 28));
        QCOMPARE(off.size(), QSize(28, 28));

        // Round lamps on a transparent ground.
        QCOMPARE(on.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(off.pixelColor(27, 27).alpha(), 0);

        // Lit is clearly green, unlit is a grey with no cast and darker.
        const QColor lit = on.pixelColor(14, 16);
        const QColor unlit = off.pixelColor(14, 16);
        QVERIFY2(lit.green() > lit.red() + 60 && lit.green() > lit.blue() + 60,
                 qPrintable(lit.name()));
        QVERIFY2(std::abs(unlit.red() - unlit.green()) < 16 &&
                     std::abs(unlit.green() - unlit.blue()) < 16,
                 qPrintable(unlit.name()));
        QVERIFY(luminance(unlit) < luminance(lit));
    }

    void dragFilterLeavesOtherWidgetsAlone()
    {
        AppInit::Instance()->start();

        EventCountingWidget plain;
        plain.setMouseTracking(true);
        plain.setGeometry(100, 100, 200, 150);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        const QPoint start = plain.pos();

        EventCountingWidget notMovable;
        notMovable.setProperty("canMove", false);
        notMovable.setMouseTracking(true);

        for (EventCountingWidget *w : {&plain, &notMovable}) {
            const QPoint at = w->pos() + QPoint(10, 10);
            sendMouse(w, QEvent::MouseButtonPress, at);
            sendMouse(w, QEvent::MouseMove, at + QPoint(50, 40));
            sendMouse(w, QEvent::MouseButtonRelease, at + QPoint(50, 40));
            QCOMPARE(w->counts(), QList<int>({1, 1, 1}));
        }
        QCOMPARE(plain.pos(), start);

        // The child of a movable window is not movable itself.
        EventCountingWidget window;
        window.setProperty("canMove", true);
        auto *child = new EventCountingWidget(&window);
        child->setGeometry(10, 10, 50, 50);
        sendMouse(child, QEvent::MouseButtonPress, QPoint(20, 20));
        sendMouse(child, QEvent::MouseButtonRelease, QPoint(20, 20));
        QCOMPARE(child->counts(), QList<int>({1, 0, 1}));
        QCOMPARE(window.counts(), QList<int>({0, 0, 0}));
    }

    void dragFilterMovesMarkedWidget()
    {
        AppInit::Instance()->start();

        EventCountingWidget w;
        w.setProperty("canMove", true);
        w.setMouseTracking(true);
        w.setGeometry(100, 100, 200, 150);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint origin = w.pos();

        // Left drag: the widget keeps the grab offset under the cursor.
        const QPoint grab = origin + QPoint(10, 20);
        sendMouse(&w, QEvent::MouseButtonPress, grab);
        sendMouse(&w, QEvent::MouseMove, grab + QPoint(100, 50));
        QTRY_COMPARE(w.pos(), origin + QPoint(100, 50));
        sendMouse(&w, QEvent::MouseMove, grab + QPoint(140, 80));
        QTRY_COMPARE(w.pos(), origin + QPoint(140, 80));
        sendMouse(&w, QEvent::MouseButtonRelease, grab + QPoint(140, 80));
        QCOMPARE(w.counts(), QList<int>({0, 0, 0}));

        // After the release, moves go to the widget and move nothing.
        const QPoint dropped = w.pos();
        sendMouse(&w, QEvent::MouseMove, grab + QPoint(300, 300));
        QCOMPARE(w.counts(), QList<int>({0, 1, 0}));
        QCOMPARE(w.pos(), dropped);

        // A right press is the widget's own and starts no drag; any release is swallowed.
        sendMouse(&w, QEvent::MouseButtonPress, dropped + QPoint(5, 5), Qt::RightButton);
        QCOMPARE(w.presses, 1);
        sendMouse(&w, QEvent::MouseMove, dropped + QPoint(60, 60), Qt::RightButton);
        QCOMPARE(w.counts(), QList<int>({1, 2, 0}));
        QCOMPARE(w.pos(), dropped);
        sendMouse(&w, QEvent::MouseButtonRelease, dropped + QPoint(60, 60), Qt::RightButton);
        QCOMPARE(w.releases, 0);

        // Held flag set but no button down (a release went elsewhere): the move is passed on.
        sendMouse(&w, QEvent::MouseButtonPress, dropped + QPoint(5, 5));
        sendMouse(&w, QEvent::MouseMove, dropped + QPoint(90, 90), Qt::NoButton);
        QCOMPARE(w.pos(), dropped);
        sendMouse(&w, QEvent::MouseButtonRelease, dropped + QPoint(5, 5));
        QCOMPARE(w.counts(), QList<int>({1, 3, 0}));
    }

    void instanceIsSingleAcrossThreads()
    {
        constexpr int threadCount = 8;
        for (int round = 0; round < 20; ++round) {
            AppInit::release();
            std::atomic<bool> go{false};
            std::vector<AppInit *> seen(threadCount, nullptr);
            std::vector<std::thread> threads;
            for (int i = 0; i < threadCount; ++i) {
                threads.emplace_back([&go, &seen, i] {
                    while (!go.load(std::memory_order_acquire))
                        std::this_thread::yield();
                    seen[i] = AppInit::Instance();
                });
            }
            go.store(true, std::memory_order_release);
            for (std::thread &t : threads)
                t.join();

            AppInit *first = AppInit::Instance();
            QVERIFY(first);
            for (AppInit *p : seen)
                QCOMPARE(p, first);
            // Made off the GUI thread, it still lives there, so start() can install it.
            QCOMPARE(first->thread(), qApp->thread());
        }
    }

    void tableHeadersFitTheirColumns()
    {
        // A header section's label loses the sheet's horizontal padding and right border, and
        // room for the sort arrow beside it, shown or not.
        const QString sheet = loadStyleSheet();
        const QRegularExpressionMatch section =
            QRegularExpression(QStringLiteral("QHeaderView::section\\{[^}]*border-right:(\\d+)px"
                                              "[^}]*padding:\\d+px (\\d+)px"))
                .match(sheet);
        const QRegularExpressionMatch arrow =
            QRegularExpression(u"QHeaderView::down-arrow\\{[^}]*width:(\\d+)px"_s).match(sheet);
        QVERIFY(section.hasMatch() && arrow.hasMatch());
        const int frame = section.captured(1).toInt() + 2 * section.captured(2).toInt() +
                          arrow.captured(1).toInt();

        StyledWindow styled;
        MainWindow *window = styled.window;
        QVERIFY(window);

        QStringList clipped;
        auto measure = [&](QWidget *page, const QString &when) {
            window->findChild<QStackedWidget *>()->setCurrentWidget(page);
            QCoreApplication::processEvents();
            const auto *table = page->findChild<QTableWidget *>(u"tbData"_s);
            const QHeaderView *header = table->horizontalHeader();
            const QFontMetrics metrics(header->font());
            for (int c = 0; c < 7; ++c) {
                const QString text = table->horizontalHeaderItem(c)->text();
                const int needed = metrics.horizontalAdvance(text) + frame;
                const int right = header->sectionViewportPosition(c) + header->sectionSize(c);
                if (needed > header->sectionSize(c) || right > header->viewport()->width())
                    clipped << u"%1 \"%2\": needs %3, has %4 (ends at %5 of %6)"_s.arg(when, text)
                                   .arg(needed)
                                   .arg(header->sectionSize(c))
                                   .arg(right)
                                   .arg(header->viewport()->width());
            }
        };
        FirstPageFor415 *meter = window->meterPage();
        QByteArray reply(34, '\0');
        reply[0] = char(0xAB);
        reply[1] = 0x42;
        for (bool chinese : {true, false}) {
            setLanguage(window, chinese);
            QCOMPARE(window->loggerPage()->isChinese, chinese);
            const QString language = chinese ? u"zh"_s : u"en"_s;
            measure(window->loggerPage(), u"logger "_s + language);
            measure(meter, u"meter "_s + language);
            // Each unit puts its own texts into the meter's headers.
            for (int unit = 0; unit < 4; ++unit) {
                meter->unitGroup->button(unit)->setChecked(true);
                QVERIFY(QMetaObject::invokeMethod(meter, "parseData", Q_ARG(QByteArray, reply),
                                                  Q_ARG(int, 1)));
                measure(meter, u"meter %1 unit %2"_s.arg(language).arg(unit));
            }
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    void pageTextsFitTheirWidgets()
    {
        QStringList clipped;
        int measured = 0;
        auto report = [&](const QString &when, const QWidget *w, const QString &text, int needed,
                          int has) {
            ++measured;
            if (needed > has)
                clipped << u"%1 %2 \"%3\": needs %4, has %5"_s.arg(when, w->objectName(), text)
                               .arg(needed)
                               .arg(has);
        };
        auto measure = [&](QWidget *page, const QString &when) {
            for (const QLabel *label : page->findChildren<QLabel *>()) {
                if (label->isVisible() && !label->text().isEmpty() && !label->wordWrap())
                    report(when, label, label->text(),
                           label->fontMetrics().horizontalAdvance(label->text()),
                           label->contentsRect().width());
            }
            // A button's size hint is its text plus the sheet's padding, border and indicator.
            for (const QAbstractButton *button : page->findChildren<QAbstractButton *>()) {
                if (button->isVisible() && !button->text().isEmpty())
                    report(when, button, button->text(), button->sizeHint().width(),
                           button->width());
            }
            // The title, with its check box if any, where the sheet's title rules place it.
            for (const QGroupBox *box : page->findChildren<QGroupBox *>()) {
                if (!box->isVisible() || box->title().isEmpty())
                    continue;
                QStyleOptionGroupBox option;
                option.initFrom(box);
                option.text = box->title();
                option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
                if (box->isCheckable())
                    option.subControls |= QStyle::SC_GroupBoxCheckBox;
                QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, box);
                if (box->isCheckable())
                    title |= box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                          QStyle::SC_GroupBoxCheckBox, box);
                report(when, box, box->title(), title.right() + 1 + qMax(0, title.left()),
                       box->width());
            }
        };
        // Each page with its demo instrument plugged in and its records shown, as the user sees it.
        for (const QString &family : {u"logger"_s, u"meter"_s}) {
            std::unique_ptr<VirtualInstrument> instrument(DemoInstrument::create(family, nullptr));
            StyledWindow styled(instrument.get());
            MainWindow *window = styled.window;
            QVERIFY(window);
            QWidget *page = family == QLatin1String("logger")
                                ? static_cast<QWidget *>(window->loggerPage())
                                : window->meterPage();
            QTRY_COMPARE(window->findChild<QStackedWidget *>()->currentWidget(), page);
            page->findChild<QPushButton *>(u"GetDataBtn"_s)->click();
            QTRY_VERIFY(page->findChild<QTableWidget *>(u"tbData"_s)->rowCount() > 0);
            for (bool chinese : {true, false}) {
                setLanguage(window, chinese);
                // Measured once the new texts are laid out, as the user sees them.
                QCoreApplication::processEvents();
                measure(page, family + (chinese ? u" zh"_s : u" en"_s));
            }
        }
        QVERIFY(measured > 40);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
