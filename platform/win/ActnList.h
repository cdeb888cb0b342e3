// Actions: commands with a caption, a short-cut and an enabled state, shared by the controls and
// menu items that run them.
//
// Classes in this file:
//   TBasicActionLink    the client side of an action: a control or menu item's link to it
//   TActionLink         a link told of each property change of a TCustomAction
//   TControlActionLink  the link of a control: caption, enabled, hint and visibility follow the action
//   TBasicAction        OnExecute and OnUpdate; Execute and Update; the links of its clients
//   TContainedAction    an action of an action list, with a category
//   TCustomAction       Caption, Hint, ShortCut, Enabled, Checked, Visible, ImageIndex, GroupIndex
//   TAction             the same, as form descriptions name it
//   TCustomActionList   the actions of a form: their images, the list's OnExecute/OnUpdate, and the
//                       form's short-cuts (a TShortCutHandler: the form asks it before the focused
//                       control sees a key)
//   TActionList         the same, as form descriptions name it
//
// Execute: a disabled action does nothing and answers false (so its short-cut key goes on to the
// control). Otherwise the list's OnExecute may handle it; else the action's OnExecute runs. Update
// asks the list's OnUpdate, then the action's OnUpdate.
//
// A client (a control or a menu item) holds a link; the link copies the action's properties to the
// client when it is set and whenever one changes, and a click on the client executes the action with
// the client as ActionComponent. While the client is being read from its form description, only the
// client's properties that still have their defaults are taken from the action.
//
// Not yet: secondary short-cuts, AutoCheck, DisableIfNoHandler, the application-wide action
// handlers and updates at idle time (actions are updated before a short-cut runs them and when a
// menu opens), standard actions.
#pragma once

#include "Controls.h"

#include <memory>
#include <vector>

class TBasicAction;
class TCustomAction;
class TCustomActionList;
class TCustomImageList;

// ---- Links ----------------------------------------------------------------------------------------

class TBasicActionLink {
public:
    explicit TBasicActionLink(TObject* client) : client_(client) {}
    virtual ~TBasicActionLink();
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;

    TObject* Client() const { return client_; }
    TBasicAction* Action() const { return action_; }
    // Joins `value`'s clients (leaving the previous action) and copies its properties to the client.
    void SetAction(TBasicAction* value);
    // Executes the action with `component` as its ActionComponent; false when it did not run.
    virtual bool Execute(TComponent* component = nullptr);
    virtual bool Update();

protected:
    friend class TBasicAction;
    // The action changed as a whole, or is being set (copy everything to the client).
    virtual void ActionChanged() {}
    // The action is being freed: the link lets go of it.
    void ActionDestroyed();
    // True while the client is read from its form description.
    bool ClientLoading() const;

    TObject* client_;

private:
    TBasicAction* action_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once the link is gone
};

class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;

    // Called by the action for each property change.
    virtual void SetCaption(const String& value) {}
    virtual void SetChecked(bool value) {}
    virtual void SetEnabled(bool value) {}
    virtual void SetHint(const String& value) {}
    virtual void SetImageIndex(int value) {}
    virtual void SetShortCut(TShortCut value) {}
    virtual void SetVisible(bool value) {}

protected:
    // Copies every property of a TCustomAction through the setters above (while the client loads,
    // only where `ClientHasDefault` says the client still holds its default).
    void ActionChanged() override;
    enum class TLinkedProperty { Caption, Checked, Enabled, Hint, ImageIndex, ShortCut, Visible };
    virtual bool ClientHasDefault(TLinkedProperty property) const { return true; }
};

class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* client) : TActionLink(client) {}

    TControl* Control() const { return static_cast<TControl*>(client_); }
    void SetCaption(const String& value) override;
    void SetEnabled(bool value) override;
    void SetHint(const String& value) override;
    void SetVisible(bool value) override;

protected:
    bool ClientHasDefault(TLinkedProperty property) const override;
};

// Sets `link`'s action, making the link (of class Link, for `client`) on first use and dropping it
// when `action` is nullptr. For the Action property of controls and menu items.
template <class Link, class Client>
void SetLinkedAction(std::unique_ptr<Link>& link, Client* client, TBasicAction* action) {
    if (!action) {
        link.reset();
        return;
    }
    if (!link)
        link = std::make_unique<Link>(client);
    link->SetAction(action);
}
inline TBasicAction* LinkedAction(const TBasicActionLink* link) {
    return link ? link->Action() : nullptr;
}

// ---- Actions --------------------------------------------------------------------------------------

class TBasicAction : public TComponent {
    VESTREL_CLASS(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // The client that ran the action last (nullptr when it was run directly).
    TComponent* ActionComponent() const { return actionComponent_; }
    void SetActionComponent(TComponent* value);

    virtual bool Execute();
    virtual bool Update();

    int ClientCount() const { return static_cast<int>(clients_.size()); }
    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnChange;

    void Notification(TComponent* component, TOperation operation) override;

protected:
    // Tells OnChange and every client that the action changed as a whole.
    virtual void Change();
    // Calls `f` on every client link that is a TActionLink (a client may leave meanwhile).
    template <class F>
    void ForEachLink(F&& f) {
        const std::vector<TBasicActionLink*> clients = clients_;
        for (TBasicActionLink* client : clients)
            if (IsClient(client))
                if (auto* link = dynamic_cast<TActionLink*>(client))
                    f(*link);
    }
    bool IsClient(TBasicActionLink* link) const;

private:
    std::vector<TBasicActionLink*> clients_;
    TComponent* actionComponent_ = nullptr;
};

class TContainedAction : public TBasicAction {
    VESTREL_CLASS(TContainedAction, TBasicAction)
public:
    explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
    ~TContainedAction() override;

    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* value);
    const String& Category() const { return category_; }
    void SetCategory(const String& value);
    // Position in its list (-1 outside one); setting it moves the action.
    int Index() const;
    void SetIndex(int value);

    bool Execute() override;
    bool Update() override;

    // Form descriptions nest actions inside their list.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

private:
    friend class TCustomActionList;
    TCustomActionList* actionList_ = nullptr;
    String category_;
};

class TCustomAction : public TContainedAction {
    VESTREL_CLASS(TCustomAction, TContainedAction)
public:
    explicit TCustomAction(TComponent* owner) : TContainedAction(owner) {}

    const String& Caption() const { return caption_; }
    void SetCaption(const String& value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    const String& Hint() const { return hint_; }
    void SetHint(const String& value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // Checking an action of a group (GroupIndex > 0) unchecks the group's other actions.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);

    // Updates the action; a disabled action answers false without running.
    bool Execute() override;
    // Execute for a short-cut key.
    bool HandleShortCut() { return Execute(); }

private:
    String caption_;
    bool checked_ = false;
    bool enabled_ = true;
    String hint_;
    int imageIndex_ = -1;
    TShortCut shortCut_ = scNone;
    bool visible_ = true;
    int groupIndex_ = 0;
};

class TAction : public TCustomAction {
    VESTREL_CLASS(TAction, TCustomAction)
public:
    using TCustomAction::TCustomAction;
};

// ---- Action lists ---------------------------------------------------------------------------------

using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent, public TShortCutHandler {
    VESTREL_CLASS(TCustomActionList, TComponent)
public:
    explicit TCustomActionList(TComponent* owner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TContainedAction* Actions(int index) const;  // EListError out of range
    // The action named `name` (without regard to case), or nullptr.
    TContainedAction* FindAction(const String& name) const;

    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);

    // The list's OnExecute / OnUpdate for `action`; true when it handled the action.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

    // The action whose ShortCut is the key runs (when enabled): true. A disabled one answers false
    // and the key goes on.
    bool IsShortCut(const TWMKey& message) override;

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

    void Notification(TComponent* component, TOperation operation) override;

protected:
    friend class TContainedAction;
    void AddAction(TContainedAction* action);
    void RemoveAction(TContainedAction* action);
    void MoveAction(TContainedAction* action, int index);
    virtual void Change();

private:
    std::vector<TContainedAction*> actions_;
    TCustomImageList* images_ = nullptr;
};

class TActionList : public TCustomActionList {
    VESTREL_CLASS(TActionList, TCustomActionList)
public:
    using TCustomActionList::TCustomActionList;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterActnListClasses();
