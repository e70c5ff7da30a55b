#include "platform/HelpViewer.h"

#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPointer<HelpViewer> &openViewer()
{
    static QPointer<HelpViewer> viewer;
    return viewer;
}

QString &folderOverride()
{
    static QString folder;
    return folder;
}

const QString HelpFileName = QStringLiteral("Help.html");

// A browser that resolves every link against the page it is on, and that
// stays on that page, with a message naming the file, when a link leads to a
// help page that is not there.
class HelpBrowser : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;

protected:
    void doSetSource(const QUrl &name, QTextDocument::ResourceType type) override
    {
        const QUrl target = source().isEmpty() ? name : source().resolved(name);
        if (target.isLocalFile() && !QFileInfo(target.toLocalFile()).isFile()) {
            Dialogs::information(QStringLiteral("Cannot find the help file %1.")
                                     .arg(QDir::toNativeSeparators(target.toLocalFile())));
            return;
        }
        QTextBrowser::doSetSource(target, type);
    }
};

} // namespace

HelpViewer *HelpViewer::showContents(QWidget *parent)
{
    const QString file = helpFile();
    if (!QFileInfo(file).isFile()) {
        Dialogs::information(QStringLiteral("Cannot find the help file %1.").arg(QDir::toNativeSeparators(file)));
        return nullptr;
    }
    HelpViewer *viewer = openViewer();
    if (!viewer) {
        viewer = new HelpViewer(nullptr);
        openViewer() = viewer;
        if (parent) {
            const QRect area = parent->window()->frameGeometry();
            viewer->move(area.center() - viewer->rect().center());
        }
    }
    viewer->home();
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

void HelpViewer::closeHelp()
{
    if (HelpViewer *viewer = openViewer())
        viewer->close();
}

HelpViewer *HelpViewer::instance()
{
    return openViewer();
}

QString HelpViewer::helpFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeFolder + QLatin1Char('/') + HelpFileName).isFile())
        return exeFolder;
    const QString installed = QDir::cleanPath(exeFolder + QStringLiteral("/../share/mealdeck/help"));
    if (QFileInfo(installed + QLatin1Char('/') + HelpFileName).isFile())
        return installed;
    return exeFolder;
}

void HelpViewer::setHelpFolder(const QString &folder)
{
    folderOverride() = folder;
}

QString HelpViewer::helpFile()
{
    return helpFolder() + QLatin1Char('/') + HelpFileName;
}

HelpViewer::HelpViewer(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Dialogs::applicationTitle() + QStringLiteral("   -   Help"));
    resize(760, 600);

    m_contents = new QToolButton(this);
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    m_contents->setText(QStringLiteral("&Contents"));
    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("HelpBack"));
    m_back->setText(QStringLiteral("&Back"));
    m_back->setEnabled(false);
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("HelpForward"));
    m_forward->setText(QStringLiteral("&Forward"));
    m_forward->setEnabled(false);

    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({helpFolder()});

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_contents);
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);

    connect(m_contents, &QToolButton::clicked, this, &HelpViewer::home);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    // The window never outlives the application.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QWidget::close);
}

void HelpViewer::home()
{
    const QUrl contents = QUrl::fromLocalFile(helpFile());
    if (m_browser->source() != contents)
        m_browser->setSource(contents);
}
