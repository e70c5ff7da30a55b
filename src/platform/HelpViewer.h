#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;
class QUrl;

// The program's help window: the help pages beside the executable, starting
// at Help.html, shown in a text browser with Contents, Back and Forward.
// There is at most one help window; the Help command raises it again.
class HelpViewer : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpViewer)

public:
    // Opens the help window on its contents page. When the help file is
    // missing, an information message names it and no window opens.
    // Returns the window, or nullptr when the help file is missing.
    static HelpViewer *showContents(QWidget *parent = nullptr);
    // Closes the help window if it is open (Exit does this).
    static void closeHelp();
    // The open help window, or nullptr.
    static HelpViewer *instance();

    // The folder that holds Help.html: the executable's folder, or for an
    // installed program <prefix>/share/mealdeck/help. setHelpFolder replaces
    // the search (tests); an empty text restores it.
    static QString helpFolder();
    static void setHelpFolder(const QString &folder);
    static QString helpFile();

    QTextBrowser *browser() const { return m_browser; }
    // Shows the contents page.
    void home();

private:
    explicit HelpViewer(QWidget *parent);

    QTextBrowser *m_browser = nullptr;
    QToolButton *m_contents = nullptr;
    QToolButton *m_back = nullptr;
    QToolButton *m_forward = nullptr;
};
