#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "app/form_view.h"
#include "app/message_icon.h"

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace trawlix::qt {
class ViewOffer;
}

namespace trawlix::app {

class YourForm;

// The Qt main window: a thin shell that builds the controls and menus, shows what the
// window's logic asks for, and forwards the user's actions to its handlers.
class MainWindow : public QMainWindow, public FormView {
    Q_OBJECT

  public:
    MainWindow();
    ~MainWindow() override;

    // Connects the widgets to the handlers of `form`.
    void attach(YourForm& form);
    // What "Back Up GPS..." and "Restore GPS..." do, and what must happen before any other
    // action of the user reaches the window's logic (a backup or restore under way stops).
    struct ReceiverActions {
        std::function<void()> backUp;
        std::function<void()> restore;
        std::function<void()> beforeUserAction;
    };
    void setReceiverActions(ReceiverActions actions) { receiverActions_ = std::move(actions); }
    // Where "Find GPS..." gets the devices to probe.
    void setSearchCandidates(std::function<std::vector<Candidate>()> candidates) {
        searchCandidates_ = std::move(candidates);
    }

    // FormView
    void setCaption(Label label, const std::string& text) override;
    std::string caption(Label label) const override;
    void addListLine(const std::string& line) override;
    void clearList() override;
    bool hasPortItem(std::int16_t index) const override;
    bool addPortItem(std::int16_t index, const std::string& caption) override;
    void setPortChecked(std::int16_t index, bool checked) override;
    std::int16_t highestPortItem() const override;
    void setBaudChecked(int index, bool checked) override;
    void addFunction(const std::string& entry) override;
    int functionIndex() const override;
    std::string functionText() const override;
    MessageAnswer showMessage(const std::string& text, MessageButtons buttons,
                              MessageKind kind) override;
    void showFileDialog(FileDialogMode mode, CommonDialog& dialog) override;
    bool startEditor(const std::string& path) override;
    bool openWithDefaultProgram(const std::string& path) override;
    void offerView(const std::string& path) override;
    MessageAnswer showDetailedMessage(const std::string& text, const std::string& detail,
                                      MessageButtons buttons, MessageKind kind) override;
    void showStatus(StatusArea area, const std::string& text) override;
    std::optional<std::vector<ProbeResult>> findReceivers() override;
    void showWindow() override;
    void closeWindow() override;
    void endProgram() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

    // The modal parts, separate so that tests can answer them.
    virtual MessageAnswer askUser(const QString& text, MessageButtons buttons);
    // The chosen file, or an empty text when the user cancelled; `filter` is the type
    // offered first, and becomes the type chosen.
    virtual QString askForFile(FileDialogMode mode, const QString& initialFolder,
                               bool overwritePrompt, const QStringList& filters, QString& filter);
    virtual bool launchEditor(const QString& path);
    virtual bool launchDefaultProgram(const QString& path);
    // A box with the reason under its text, as informative text.
    virtual MessageAnswer askUserWithDetail(const QString& text, const QString& detail,
                                            MessageButtons buttons);

  private:
    void buildLabels(QWidget* area);
    void buildMenus();
    QLabel* makeLabel(QWidget* area, const char* name, const QString& text, int x, int y);
    QLabel* labelFor(Label label) const;
    void buildStatusBar();
    // The user acts: what must happen first, then `action`.
    std::function<void()> userAction(std::function<void()> action);

    YourForm* form_ = nullptr;
    std::map<Label, QLabel*> labels_;
    QComboBox* cboFunction_ = nullptr;
    QPushButton* cmdReset_ = nullptr;
    QListWidget* List1_ = nullptr;
    QMenu* mnuAssign_ = nullptr;
    QAction* mnuPortAdd_ = nullptr;
    std::map<std::int16_t, QAction*> mnuPort_;
    QAction* mnuBaud_[2] = {nullptr, nullptr};
    QAction* mnuOpen_ = nullptr;
    QAction* mnuClose_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QAction* mnuFindGps_ = nullptr;
    QAction* mnuBackUp_ = nullptr;
    QAction* mnuRestore_ = nullptr;
    QAction* mnuViewFile_ = nullptr;
    qt::ViewOffer* viewOffer_ = nullptr;
    ReceiverActions receiverActions_;
    QLabel* statusActivity_ = nullptr;
    QLabel* statusPort_ = nullptr;
    MessageIcon boxIcon_ = MessageIcon::Information;  // of the box being asked for
    std::function<std::vector<Candidate>()> searchCandidates_;
};

}  // namespace trawlix::app
