// The list of selectable servers (compact rows, the deploy-set card) or, while a linked
// deployment is in force, its target cards.
//
// Every rebuild works out each row from the controller's state, so a row always matches the last
// rebuild; a collapsed row whose inputs are all as they were is the same row again, since an
// edit changes one server's row at most. One change of the screen rebuilds the stack once, when
// it ends (ServerStackBatch). Servers come grouped (selected, recommended, then the quiet ones
// folded behind a disclosure), each group in the stored order.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Controller/CandidateIndexForTheBuild.h"
#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"
#include "TarvoShareExtension/ShareViewController/Presentation/ShareMood.h"
#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"

namespace tarvo {

using namespace platform;

namespace {

std::shared_ptr<UILabel> monospacedLine(std::string text, int lines) {
    auto label = UILabel::make(std::move(text));
    label->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    label->textColor = UIColor::secondaryLabel();
    label->numberOfLines = lines;
    return label;
}

// The listed server a row's control acts on, found when it is tapped: a row holds only its
// server's id (copying the whole profile into each of its actions was a good part of building
// 200 rows), and a server no longer listed has nothing to act on. A copy, since the action may
// reload the list.
std::optional<ServerProfile> listedServer(const std::shared_ptr<ShareViewController>& self, const std::string& id) {
    const ServerProfile* found = self ? share::findServer(self->servers, id) : nullptr;
    return found ? std::optional<ServerProfile>(*found) : std::nullopt;
}

}  // namespace

void ShareViewController::rebuildMultiServerStack() {
    if (serverStackBatchDepth > 0) {
        serverStackRebuildPending = true;
        return;
    }
    serverStackRebuildPending = false;
    // ---- Linked deployment: its target cards stand in for the server rows.
    if (rebuildLinkedTargetCardsIfNeeded()) return;
    // Every row asks which scripts its server's draft runs, several times.
    const CandidateIndexForTheBuild index(*this);
    multiServerStack->removeAllArrangedSubviews();
    if (servers.empty()) {
        auto none = UILabel::make("No servers configured. Add servers in Tarvo Settings first.");
        none->font = UIFont::systemFont(13);
        none->textColor = UIColor::secondaryLabel();
        none->numberOfLines = 0;
        none->role = "noServersLabel";
        multiServerStack->addArrangedSubview(none);
        return;
    }
    // Rows of servers no longer listed, or made for other candidates or another type of share,
    // are not kept. Rows kept while linked cards stood in for them come back only when their
    // inputs are still the same.
    std::set<std::string> listed;
    for (const auto& server : servers) listed.insert(server.id);
    std::erase_if(keptServerRows, [&](const auto& kept) { return listed.count(kept.first) == 0; });
    if (const KeptRowsBasis now{index.generation(), typeKey}; keptRowsBasis != now) {
        keptServerRows.clear();
        keptRowsBasis = now;
    }
    // Every row is told whether it shows: a kept one may have been folded under "Other servers"
    // at the last rebuild. Folded rows stay in the stack, hidden, so that a step naming one
    // learns that it is hidden rather than missing.
    const auto addRow = [this](const ServerProfile& server, bool selected, bool folded) {
        auto row = makeCompactServerRow(server, selected);
        row->hidden = folded;
        multiServerStack->addArrangedSubview(row);
    };
    const share::ServerGroups groups = share::groupServers(
        servers, selectedServerIDs, [this](const ServerProfile& s) { return serverHasRecommendation(s); });
    multiServerStack->addArrangedSubview(makeDeploySetCard(groups.selected));
    if (!groups.selected.empty()) {
        multiServerStack->addArrangedSubview(
            makeServerSectionHeader("Selected" + std::string(share::kPartSeparator) + std::to_string(groups.selected.size())));
        for (const auto& s : groups.selected) addRow(s, true, false);
    }
    if (!groups.recommended.empty()) {
        multiServerStack->addArrangedSubview(makeServerSectionHeader(
            "Recommended" + std::string(share::kPartSeparator) + std::to_string(groups.recommended.size())));
        for (const auto& s : groups.recommended) addRow(s, false, false);
    }
    if (!groups.quiet.empty()) {
        multiServerStack->addArrangedSubview(makeOtherServersDisclosure(groups.quiet.size()));
        for (const auto& s : groups.quiet) addRow(s, false, !otherServersExpanded);
    }
}

ShareViewController::ServerRowInputs ShareViewController::serverRowInputs(const ServerProfile& server, bool selected,
                                                                          Draft rowDraft) const {
    // Initialised from the server, so no profile is made (with a fresh id) only to be replaced.
    ServerRowInputs in{.server = server, .selected = selected, .current = server.id == draft.serverId};
    // Only a rebuild asks, after it has dropped the kept rows of other candidates or type.
    if (auto kept = keptServerRows.find(server.id);
        kept != keptServerRows.end() && kept->second.inputs.draft == rowDraft) {
        in.candidates = kept->second.inputs.candidates;
        in.context = kept->second.inputs.context;
    } else {
        in.candidates = selectedArtifactCandidates(rowDraft);
        in.context = share::serverContextText(rowDraft, in.candidates.empty(),
                                              share::compactScriptSummary(rowDraft, in.candidates),
                                              share::defaultKind(typeKey));
    }
    in.evidence = recipeSuccessEvidence(server.id, in.candidates);
    if (!in.evidence) in.origin = recipeOriginSummary(server.id);
    if (auto state = serverRunStates.find(server.id); state != serverRunStates.end()) in.runState = state->second;
    if (in.current) in.planTint = currentShareMood().tint;
    in.draft = std::move(rowDraft);
    return in;
}

std::shared_ptr<UIControl> ShareViewController::makeCompactServerRow(const ServerProfile& server, bool selected) {
    const bool expanded = expandedServerIDs.count(server.id) != 0;
    ServerRowInputs inputs = serverRowInputs(server, selected, resolvedDraft(server, draft));
    if (expanded) {
        // The detail of an expanded row reads more of the screen; it is always built anew.
        keptServerRows.erase(server.id);
    } else if (auto kept = keptServerRows.find(server.id); kept != keptServerRows.end() && kept->second.inputs == inputs) {
        return kept->second.row;
    }
    const bool current = inputs.current;
    const std::vector<ArtifactShellCandidate>& candidates = inputs.candidates;
    const std::string label = server.displayLabel();
    auto weak = weakSelf();

    auto select = UIButtonConfiguration::plain();
    select.image = selected ? "checkmark.circle.fill" : "circle";
    select.imageColor = selected ? UIColor::systemBlue() : UIColor::secondaryLabel();
    select.contentInsets = UIEdgeInsets::all(4);
    auto selectButton = UIButton::make(select);
    selectButton->role = share::roles::serverSelect(server.id);
    selectButton->accessibilityLabel = (selected ? "Remove " : "Add ") + label;
    selectButton->fixedWidth = 28;
    selectButton->addAction(UIAction::make("", [weak, id = server.id] {
                                if (auto self = weak.lock(); auto s = listedServer(self, id)) {
                                    self->toggleServerSelection(*s, false);
                                }
                            }),
                            UIControlEvents::touchUpInside);

    auto name = UILabel::make(label);
    name->font = UIFont::systemFont(14, UIFont::Weight::semibold);
    name->textColor = UIColor::label();
    name->numberOfLines = 1;
    name->horizontalCompressionResistance = 250;
    auto titleLine = UIStackView::horizontal(6, {name});
    titleLine->alignment = UIStackView::Alignment::center;
    if (!candidates.empty()) titleLine->addArrangedSubview(makeScriptCountBadge(static_cast<std::int64_t>(candidates.size())));
    titleLine->addArrangedSubview(UIView::make());

    auto textColumn = UIStackView::vertical(3, {titleLine, makeServerContextLine(inputs, expanded)});
    textColumn->userInteractionEnabled = false;
    if (!candidates.empty()) {
        auto list = UIStackView::vertical(2);
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            auto line = UILabel::make(std::to_string(i + 1) + "  " + share::candidateDisplayName(candidates[i]));
            line->font = UIFont::monospacedSystemFont(11, UIFont::Weight::medium);
            line->textColor = UIColor::label();
            line->numberOfLines = 2;
            line->lineBreakMode = NSLineBreakMode::byTruncatingMiddle;
            list->addArrangedSubview(line);
        }
        textColumn->addArrangedSubview(list);
    }

    auto plan = UIButtonConfiguration::tinted();
    plan.title = "Plan";
    plan.image = "slider.horizontal.3";
    plan.imagePadding = 4;
    plan.buttonSize = UIButtonConfiguration::Size::mini;
    plan.contentInsets = UIEdgeInsets{5, 8, 5, 8};
    plan.baseBackgroundColor = inputs.planTint.value_or(UIColor::tertiarySystemGroupedBackground());
    plan.baseForegroundColor = current ? UIColor::white() : UIColor::label();
    auto planButton = UIButton::make(plan);
    planButton->role = share::roles::serverPlan(server.id);
    planButton->accessibilityLabel = "Configure " + label;
    planButton->horizontalHuggingPriority = 1000;
    planButton->addAction(UIAction::make("", [weak, id = server.id] {
                              if (auto self = weak.lock(); auto s = listedServer(self, id)) {
                                  self->openServerPlan(*s);
                              }
                          }),
                          UIControlEvents::touchUpInside);

    auto chevron = UIButtonConfiguration::plain();
    chevron.image = expanded ? "chevron.up" : "chevron.down";
    chevron.imageColor = UIColor::secondaryLabel();
    chevron.contentInsets = UIEdgeInsets::all(4);
    auto chevronButton = UIButton::make(chevron);
    chevronButton->role = share::roles::serverExpand(server.id);
    chevronButton->accessibilityLabel = (expanded ? "Collapse " : "Expand ") + label;
    chevronButton->fixedWidth = 30;
    chevronButton->addAction(UIAction::make("", [weak, id = server.id] {
                                 if (auto self = weak.lock()) self->toggleServerExpansion(id);
                             }),
                             UIControlEvents::touchUpInside);

    auto rowLine = UIStackView::horizontal(7, {selectButton, textColumn, planButton, chevronButton});
    rowLine->alignment = UIStackView::Alignment::center;
    auto body = UIStackView::vertical(7, {rowLine});
    if (expanded) body->addArrangedSubview(makeServerDetailStack(server.id, inputs.draft));

    auto row = UIControl::make();
    row->role = share::roles::serverRow(server.id);
    row->layoutMargins = UIEdgeInsets::all(8);
    row->addSubview(body);
    body->edgesInSuperview = UIEdgeInsets::all(8);
    row->backgroundColor = current ? UIColor::systemBlue().withAlphaComponent(0.10)
                                   : UIColor::secondarySystemGroupedBackground();
    row->cornerRadius = 14;
    row->continuousCorners = true;
    row->borderWidth = selected ? 1 : 0;
    row->borderColor = UIColor::systemBlue().withAlphaComponent(0.28);
    row->accessibilityIdentifier = server.id;
    row->addAction(UIAction::make("", [weak, id = server.id] {
                       if (auto self = weak.lock(); auto s = listedServer(self, id)) {
                           self->toggleServerSelection(*s, true);
                       }
                   }),
                   UIControlEvents::touchUpInside);
    if (!expanded) keptServerRows.insert_or_assign(server.id, KeptServerRow{std::move(inputs), row});
    return row;
}

std::shared_ptr<UIStackView> ShareViewController::makeServerContextLine(const ServerRowInputs& inputs, bool expanded) {
    auto label = UILabel::make(inputs.context);
    label->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
    label->textColor = UIColor::secondaryLabel();
    label->numberOfLines = expanded ? 2 : 1;
    label->lineBreakMode = NSLineBreakMode::byTruncatingMiddle;
    label->horizontalCompressionResistance = 250;
    auto line = UIStackView::horizontal(5, {label});
    line->alignment = UIStackView::Alignment::center;
    if (inputs.evidence) {
        line->addArrangedSubview(makeSuccessCountBadge(inputs.evidence->first, inputs.evidence->second));
    } else if (inputs.origin) {
        line->addArrangedSubview(makeRecipeOriginBadge(*inputs.origin));
    }
    if (!inputs.runState.empty()) {
        auto run = UILabel::make(inputs.runState);
        run->font = UIFont::systemFont(10, UIFont::Weight::medium);
        run->textColor = share::runStateIsFailure(inputs.runState) ? UIColor::systemRed() : UIColor::secondaryLabel();
        run->numberOfLines = 1;
        run->lineBreakMode = NSLineBreakMode::byTruncatingTail;
        run->horizontalCompressionResistance = 250;
        run->role = "serverRunState:" + inputs.server.id;
        line->addArrangedSubview(run);
    }
    return line;
}

std::shared_ptr<UIStackView> ShareViewController::makeServerDetailStack(const std::string& serverID, const Draft& d) {
    auto stack = UIStackView::vertical(4);
    stack->role = "serverDetail:" + serverID;
    for (auto& line : share::serverDetailLines(d, compactScriptSummary(d))) stack->addArrangedSubview(monospacedLine(std::move(line), 2));
    if (serverID == draft.serverId && artifactInsight.state.is(ArtifactInsightState::Case::ready) &&
        !artifactInsight.shellCandidates.empty()) {
        auto entry = UILabel::make(share::entrySelectionLine(selectedArtifactCandidates(d).size(), artifactInsight.shellCandidates.size()));
        entry->font = UIFont::systemFont(11, UIFont::Weight::bold);
        entry->textColor = UIColor::secondaryLabel();
        entry->numberOfLines = 1;
        stack->addArrangedSubview(entry);
        stack->addArrangedSubview(makeEntryRail(serverID));
    }
    if (const ServerProfile* server = share::findServer(servers, serverID)) {
        auto plan = UIButtonConfiguration::tinted();
        plan.title = "Plan";
        plan.image = "slider.horizontal.3";
        plan.imagePadding = 6;
        plan.buttonSize = UIButtonConfiguration::Size::mini;
        plan.contentInsets = UIEdgeInsets{6, 8, 6, 8};
        auto button = UIButton::make(plan, UIAction::make("", [weak = weakSelf(), s = *server] {
                                         if (auto self = weak.lock()) self->openServerPlan(s);
                                     }));
        button->role = share::roles::serverDetailPlan(serverID);
        button->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::leading;
        stack->addArrangedSubview(button);
    }
    return stack;
}

std::shared_ptr<UIButton> ShareViewController::makeOtherServersDisclosure(std::size_t count) {
    auto configuration = UIButtonConfiguration::tinted();
    configuration.title = "Other servers" + std::string(share::kPartSeparator) + std::to_string(count);
    configuration.subtitle = otherServersExpanded ? "Hide quiet targets" : "Show quiet targets";
    configuration.image = otherServersExpanded ? "chevron.up" : "chevron.down";
    configuration.imagePlacement = UIButtonConfiguration::ImagePlacement::trailing;
    configuration.imagePadding = 8;
    configuration.titleAlignment = UIButtonConfiguration::TitleAlignment::leading;
    configuration.contentInsets = UIEdgeInsets{9, 12, 9, 12};
    auto button = UIButton::make(configuration, UIAction::make("", [weak = weakSelf()] {
                                     auto self = weak.lock();
                                     if (!self) return;
                                     self->otherServersExpanded = !self->otherServersExpanded;
                                     self->rebuildMultiServerStack();
                                 }));
    button->role = std::string(share::roles::otherServersDisclosure);
    button->contentHorizontalAlignment = UIControl::ContentHorizontalAlignment::fill;
    return button;
}

}  // namespace tarvo
