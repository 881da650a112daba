#pragma once

#include <QString>

#include "platform/uiservices.h"

class QWidget;

// The user interface services with Qt dialogs, each modal over the main window.
class QtUiServices final : public UiServices {
public:
    explicit QtUiServices(QWidget* parent = nullptr);
    void SetParent(QWidget* parent) { m_pParent = parent; }

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    int InputDialog(const std::string& prompt, std::string& text) override;
    std::optional<GenreChoice> ChooseGenre() override;
    std::optional<std::string> SaveFileDialog(const std::string& defaultExtension,
        const std::string& initialName, const std::string& filter) override;
    std::optional<std::vector<std::string>> OpenFilesDialog(
        const std::string& defaultExtension, const std::string& filter) override;
    int BrowseForFolder(std::string& result, const std::string& title, const std::string& root,
        const std::string& initial, bool showCreateNew) override;
    bool IsControlKeyDown() override;

private:
    QWidget* m_pParent;
};

// "Desc (*.a)|*.a|Other (*.b)|*.b||" as Qt's ";;"-separated name filters.
QString QtNameFilters(const std::string& filter);
