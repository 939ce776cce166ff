#pragma once
// The About box: the program's version text, the loaded plug-ins in the
// manager's order, and the description of the one selected; and a page of
// the keys the main window and the video window answer.
#include <QDialog>

#include <vector>

class CKRXPlugin;
class CKRXPluginManager;
class QLabel;
class QTabWidget;
class QTreeWidget;

class CKRXAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CKRXAboutDialog(CKRXPluginManager& manager, QWidget* parent = nullptr);

    static QString GetVersionText();

    QTreeWidget* GetPluginList() const { return m_plugins; }
    QLabel* GetDescription() const { return m_description; }
    QTabWidget* GetPages() const { return m_pages; }

private:
    QWidget* MakeProgramGroup();
    QWidget* MakePluginGroup(CKRXPluginManager& manager);
    QWidget* MakeDescriptionGroup();
    static QWidget* MakeKeyboardPage();
    void ShowSelectedDescription();

    std::vector<CKRXPlugin*> m_pluginRows;
    QTreeWidget* m_plugins = nullptr;
    QLabel* m_description = nullptr;
    QTabWidget* m_pages = nullptr;
};
