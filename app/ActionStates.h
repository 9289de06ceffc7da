#pragma once

// Which commands of the main window are available, as UpdateActions computes them. Views
// enable their menu items and buttons from it.
struct ActionStates
{
    bool Reset = false;
    bool List = false;
    bool Send = false;
    bool SendRepeat = false;
    bool ToFile = false;
    bool Stop = false;
    bool EditorReadOnly = false;
    // Editor tab only.
    bool ClearMemo = false;
    bool Cut = false;
    bool Copy = false;
    bool Paste = false;
    bool SelectAll = false;
    // Chart tab only.
    bool ChartSettings = false;
    bool SaveWaveform = false;
    bool CopyWaveform = false;

    bool operator==(const ActionStates&) const = default;
};
