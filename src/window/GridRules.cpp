#include "window/GridRules.h"

#include <filesystem>
#include <system_error>

#include "core/Addresses.h"
#include "core/Text.h"

namespace {

bool IsIgnored(const std::string& text) {
    return SameText(text, "Ignored");
}

// Whether a cell reads "Ignored": the State of an ignored file, its number (which looks four
// columns right, at the State) and an address that happens to be that word.
bool CellSaysIgnored(const FileRow& row, int column) {
    switch (static_cast<GridColumn>(column)) {
        case GridColumn::Number:
        case GridColumn::State:
            return row.State == FileState::Ignored;
        case GridColumn::File:
            return IsIgnored(row.Address);
        case GridColumn::Total:
        case GridColumn::Transferred:
            return false;
    }
    return false;
}

// Bytes of the file that arrived; none when nothing was counted.
std::int64_t TransferredBytes(const FileRow& row) {
    return row.Transferred > 0 ? row.Transferred : 0;
}

// "scheme://..." (a letter, then letters, digits, "+", "-" or "."): a row of another site or
// scheme holds its whole address, whichever scheme it is.
bool IsFullAddress(const std::string& text) {
    const std::size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(text[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

}  // namespace

int GridTextColour(const SessionView& view, int row, int column, int selectedRow) {
    const FileRow& fileRow = view.Row(row);
    const FileState state = fileRow.State;
    const bool selected = row == selectedRow;
    if (state == FileState::Initiated || state == FileState::Transferring)
        return GridColours::Purple;
    if (selected && state == FileState::Ignored) return GridColours::Red;
    if (CellSaysIgnored(fileRow, column)) return GridColours::Red;
    if (Contains(fileRow.Address, DeletedMarker)) return GridColours::Red;
    if (state == FileState::Retrieving) return GridColours::Yellow;
    if (selected) return GridColours::Blue;
    return NoColour;
}

std::string MarkDeleted(const std::string& fileText) {
    return DeletedMarker + fileText + "***";
}

std::string WithoutDeletedMarker(const std::string& fileText) {
    const std::string marker = DeletedMarker;
    if (!Contains(fileText, marker)) return fileText;
    // The marker leads and "***" closes the text; a text too short for both is left empty.
    if (fileText.size() < marker.size() + 3) return {};
    return fileText.substr(marker.size(), fileText.size() - marker.size() - 3);
}

std::string CompleteCopyPath(const SessionFields& session, const std::string& address) {
    const auto it = session.MirrorFiles.find(address);
    return it == session.MirrorFiles.end() ? std::string() : it->second;
}

std::string ProjectListName(const SessionFields& session, const std::string& listFolder,
                            const std::string& itemName) {
    if (!session.Settings.CompleteCopy || session.ProjectFolder.empty()) return itemName;
    std::string folder = listFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    if (folder.size() <= session.ProjectFolder.size() ||
        folder.compare(0, session.ProjectFolder.size(), session.ProjectFolder) != 0)
        return itemName;
    return folder.substr(session.ProjectFolder.size()) + itemName;
}

std::string StartPageLocalName(const SessionView& view, const SessionFields& session) {
    if (session.Settings.CompleteCopy) {
        const std::string path = CompleteCopyPath(session, session.StartAddress);
        return path.empty() ? "index.html" : path;
    }
    std::error_code ec;
    if (!session.ProjectFolder.empty() &&
        !std::filesystem::exists(session.ProjectFolder + "Main.html", ec)) {
        // A start address naming a file keeps that file's name in Search Only Current Page
        // mode; its row then holds the page's address or its name.
        const std::string own = PseudoFileName(UrlToPseudoPath(view.Row(1).Address));
        if (!own.empty() && std::filesystem::is_regular_file(session.ProjectFolder + own, ec))
            return own;
    }
    return "Main.html";
}

std::string RowLocalName(const SessionView& view, int row, SessionFields& session) {
    const std::string& file = view.Row(row).Address;
    if (row == 1 || SameText(file, session.SiteBase)) return StartPageLocalName(view, session);
    if (session.Settings.CompleteCopy)
        return CompleteCopyPath(session, RowAddress(view, row, session));
    return UrlToLocalName(file, session);
}

std::string ProjectFilePath(const SessionFields& session, const std::string& localName) {
    return session.ProjectFolder + localName;
}

std::string RowLocalPath(const SessionView& view, int row, SessionFields& session) {
    return ProjectFilePath(session, RowLocalName(view, row, session));
}

std::string ProjectListPath(const SessionFields& session, const std::string& listFolder,
                            const std::string& itemName) {
    return ProjectFilePath(session, ProjectListName(session, listFolder, itemName));
}

std::string RowAddress(const SessionView& view, int row, const SessionFields& session) {
    const std::string text = WithoutDeletedMarker(view.Row(row).Address);
    if (IsFullAddress(text)) return text;
    if (!text.empty() && text.front() == '/') return session.SiteBase + text.substr(1);
    return session.SiteBase + text;
}

GridPopupState GridPopupEnabling(const SessionView& view, int row, SessionFields& session) {
    GridPopupState state;
    if (row < 1 || row >= view.GridRowCount()) return state;
    const std::string& file = view.Row(row).Address;
    std::error_code ec;
    const std::string name = RowLocalName(view, row, session);
    state.FileItems = !session.ProjectFolder.empty() && !name.empty() &&
                      std::filesystem::is_regular_file(ProjectFilePath(session, name), ec) &&
                      view.Row(row).State == FileState::Complete && !Contains(file, "FILE DELETED");
    state.AddressItems = !file.empty() && file != "EMailAddress.html";
    return state;
}

std::vector<std::string> WantedFileNames(const SessionView& view, bool rootNode,
                                         const std::string& folderKey, SessionFields& session) {
    std::vector<std::string> wanted;
    if (session.Settings.CompleteCopy) {
        // The files that lie directly in the chosen folder of the project, by their names.
        const std::string folder = rootNode ? std::string() : folderKey;
        for (int row = 1; row < view.GridRowCount(); ++row) {
            if (view.Row(row).State != FileState::Complete) continue;
            const std::string path = RowLocalName(view, row, session);
            if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                path.find('/', folder.size()) == std::string::npos)
                wanted.push_back(path.substr(folder.size()));
        }
        return wanted;
    }
    for (int row = 1; row < view.GridRowCount(); ++row) {
        if (view.Row(row).State != FileState::Complete) continue;
        const std::string& file = view.Row(row).Address;
        const bool received = TransferredBytes(view.Row(row)) > 0;
        if (rootNode) {
            if (row == 1)
                wanted.push_back(StartPageLocalName(view, session));
            else if (received && !Contains(file, "/") && !Contains(file, "DELETED")) {
                wanted.push_back(file);
                // A root file stored under another name (index.html became main1.html, a page
                // without extension got ".html") is listed under that name too.
                std::string name = UrlToLocalName(file, session);
                if (!name.empty() && name != file) wanted.push_back(std::move(name));
            }
        } else if (received && StartsWithText(file, folderKey)) {
            std::string name = UrlToLocalName(file, session);
            if (!name.empty()) wanted.push_back(std::move(name));
        }
    }
    return wanted;
}

int GridRowOfFile(const SessionView& view, const std::string& fileName, SessionFields& session) {
    if (session.Settings.CompleteCopy) {
        for (int row = view.GridRowCount() - 1; row >= 1; --row)
            if (RowLocalName(view, row, session) == fileName) return row;
        return 0;
    }
    if (SameText(fileName, "Main.html") && view.GridRowCount() > 1) return 1;
    for (int row = view.GridRowCount() - 1; row >= 1; --row)
        if (SameText(UrlToLocalName(view.Row(row).Address, session), fileName)) return row;
    return 0;
}

int FirstGridRowOfFile(const SessionView& view, const std::string& fileName,
                       SessionFields& session) {
    if (session.Settings.CompleteCopy) {
        for (int row = 1; row < view.GridRowCount(); ++row)
            if (RowLocalName(view, row, session) == fileName) return row;
        return 0;
    }
    for (int row = 1; row < view.GridRowCount(); ++row)
        if (SameText(UrlToLocalName(view.Row(row).Address, session), fileName)) return row;
    return 0;
}
