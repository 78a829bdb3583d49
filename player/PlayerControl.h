#pragma once

#include "engine/PlayerTimer.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

class CSkinButton;
class HtmlView;
class MediaPlayer;
class PositionControl;

// The panel in which a loaded book is studied: the card page in its upper part, the book's title above
// it, the control bar below, the position counter in the top-right corner and the MENU button. It turns
// clicks and keys into operations of the playback engine and shows what the engine's signals carry:
// the card, the counter, the picture, the pronunciation, and the buttons follow the engine's state.
class PlayerControl : public QWidget {
    Q_OBJECT

  public:
    // Commands of the buttons (their control ids) and of the keys.
    enum Command : int {
        IDC_PREV = 100,
        IDC_PLAY = 101,
        IDC_NEXT = 102,
        IDC_ORDER = 103,
        IDC_NAME = 104,
        IDC_MEAN = 105,
        IDC_EXAMPLE = 106,
        IDC_MEMORISED = 107,
        IDC_MENU = 109,
        ID_KEY_PREV = 32802,
        ID_KEY_NEXT = 32803,
        ID_KEY_ENTER = 32804,
        ID_KEY_PLAY = 32806,
        ID_KEY_NAME = 32808,
        ID_KEY_MEMORISED = 32809,
        ID_KEY_MEAN = 32810,
        ID_KEY_EXAMPLE = 32811,
        ID_KEY_MEAN_EXAMPLE = 32812,
        ID_KEY_UP = 32813,
        ID_KEY_DOWN = 32814,
    };
    // The view becomes a child of the panel at (10, 40). Without a media player the panel stays empty
    // of controls and is not connected to the engine.
    PlayerControl(PlayerTimer& engine, HtmlView& view, std::unique_ptr<MediaPlayer> player,
                  QWidget* parent = nullptr);
    ~PlayerControl() override;

    // Whether the buttons, counter and engine connections exist (the media player could be created).
    bool HasControls() const { return counter_ != nullptr; }

    // What the engine shows.
    void SetCounter(int position, int total);
    void ShowVocabulary(const QString& name, const QString& mean, const QString& example);
    void ShowMessage(const QString& text);

    // What the main view shows.
    void ShowLoadMessage(const QString& text);
    // A book has been loaded: its plug-ins go to the page, its title to the title box.
    void InitPlugins(const PlayerTimer::BookInfo& book);

    // Runs a button or key command.
    void OnCommand(int id);
    // The command a key press stands for, or 0.
    static int CommandForKey(int key, Qt::KeyboardModifiers modifiers);

    // Brings the buttons (and the title) up to the engine's state.
    void UpdateButtons(const PlayerTimer::State& state);

    bool NameShown() const { return shown_[0]; }
    bool MeanShown() const { return shown_[1]; }
    bool ExampleShown() const { return shown_[2]; }

    CSkinButton* Button(int id) const;
    PositionControl* Counter() const { return counter_; }
    MediaPlayer* Player() const { return player_.get(); }
    HtmlView& View() const { return view_; }

    // H of the layout: the control bar's offset in a panel cx pixels wide.
    static int BarOffset(int cx) { return (cx - 339) / 2; }

  Q_SIGNALS:
    // The book menu is to open, right-aligned at this point (global coordinates).
    void menuRequested(QPoint anchor);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Looks {
        QPixmap normal, pressed, hover, disabled;
    };
    static Looks LoadLooks(int normal, int pressed, int hover, int disabled = 0);
    static void Apply(CSkinButton* button, const Looks& looks);

    void CreateControls();
    void ConnectEngine();
    void ShowCard(int position, int total, const QString& name, const QString& mean, const QString& example);
    void ShowNoCards(const QString& text);
    void ShowImage(const QString& url);
    void PlaySound(const QString& url);
    void Layout(int cx, int cy);
    // A book is loaded and no load runs: the engine may take a command.
    bool EngineReady() const;
    void Toggle(int part);
    void ShowPlayLook(bool playing);
    void ShowOrderLook(int mode);
    // Key handling for the browser view and every widget inside it (its focus proxy among them).
    void WatchKeys(QObject* object);
    bool HandleKey(QKeyEvent* event);

    PlayerTimer& engine_;
    HtmlView& view_;
    std::unique_ptr<MediaPlayer> player_;

    std::array<bool, 3> shown_{true, true, true}; // headword, meaning, example

    CSkinButton* menu_ = nullptr;
    CSkinButton* prev_ = nullptr;
    CSkinButton* play_ = nullptr;
    CSkinButton* next_ = nullptr;
    CSkinButton* order_ = nullptr;
    std::array<CSkinButton*, 3> toggles_{}; // headword, meaning, example
    CSkinButton* memorised_ = nullptr;
    PositionControl* counter_ = nullptr;

    Looks menuLooks_, prevLooks_, playLooks_, pauseLooks_, nextLooks_, memorisedLooks_;
    std::array<Looks, 3> orderLooks_;
    std::array<std::array<Looks, 2>, 3> toggleLooks_; // [part][shown]
    QPixmap controlBar_;
    QPixmap separator_;

    bool playLookPlaying_ = false;
    int orderLookMode_ = 0;
    PlayerTimer::State state_; // as the engine last reported it
    QString title_;            // of the book last loaded
};
