# Turns one help text, as the Packwright programs print it, into roff for a
# manual page. The help's shape:
#   usage: NAME ...          the synopsis; more forms on indented lines
#   Section:                 a list of items: "  names VALUE   description",
#                            a longer description going on in deeper lines
#   other lines              paragraphs, a blank line between two
# Variables: name, the command the usage lines begin with ("packwright-cli
# extract"); mode, "main" (a whole page: SYNOPSIS, DESCRIPTION, a section
# per list, the verbs list left out as the verbs get sections of their own)
# or "verb" (the body of one verb's subsection; its exit status paragraph
# left out, as the page says it once).

function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    return s
}
function line(s) {
    if (s ~ /^[.']/) s = "\\&" s
    return s
}
# A synopsis line: the command in bold, the rest as written.
function synopsis(s) {
    if (index(s, name) == 1) return "\\fB" esc(name) "\\fR" esc(substr(s, length(name) + 1))
    return esc(s)
}
function flush_paragraph() {
    if (para != "") {
        if (mode == "verb" && para ~ /^Exit status:/) { para = ""; return }
        text = text ".PP\n" para
        para = ""
    }
}
function flush_item() {
    if (item != "") {
        n = split(item, word, " ")
        head = "\\fB" esc(word[1]) "\\fR"
        for (i = 2; i <= n; i++) head = head " \\fI" esc(word[i]) "\\fR"
        out[section] = out[section] ".TP\n" line(head) "\n" line(esc(desc)) "\n"
        item = ""
    }
}

# In a verb's part the lists stay where the help has them, among the paragraphs.
function end_list() {
    flush_item()
    if (state == "list" && mode == "verb") text = text ".PP\n" section ":\n.RS\n" out[section] ".RE\n"
}

BEGIN { state = "text" }
/^usage: / {
    sub(/^usage: /, "")
    usage = usage (usage == "" ? "" : ".br\n") line(synopsis($0)) "\n"
    state = "usage"; next
}
state == "usage" && /^       [^ ]/ {
    sub(/^ +/, "")
    usage = usage ".br\n" line(synopsis($0)) "\n"
    next
}
/^$/ { end_list(); flush_paragraph(); state = "text"; next }
/^[A-Z][A-Za-z ]*:$/ && (state == "list" || (state == "text" && para == "")) {
    end_list()
    section = substr($0, 1, length($0) - 1)
    order[++sections] = section
    state = "list"; next
}
state == "list" && /^  [^ ]/ {
    flush_item()
    sub(/^  /, "")
    split($0, col, /  +/)
    item = col[1]
    desc = substr($0, length(col[1]) + 1)
    sub(/^ +/, "", desc)
    next
}
state == "list" && /^   +[^ ]/ {
    sub(/^ +/, "")
    desc = desc (desc == "" ? "" : " ") $0
    next
}
{
    state = "text"
    para = para line(esc($0)) "\n"
}
END {
    end_list(); flush_paragraph()
    if (mode == "main") {
        printf ".SH SYNOPSIS\n%s", usage
        printf ".SH DESCRIPTION\n%s", text
        for (s = 1; s <= sections; s++) {
            if (order[s] == "Verbs") continue
            title = toupper(order[s]) == "POSITIONALS" ? "ARGUMENTS" : toupper(order[s])
            printf ".SH %s\n%s", title, out[order[s]]
        }
    } else {
        printf "%s%s", usage, text
    }
}
