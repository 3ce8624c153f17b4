# Turns a dedb input into a Soufflé program of the same meaning, for bench/run.sh: writes
# dir/program.dl, the stored rows as tab-separated dir/facts/NAME.facts, and dir/columns, one
# line per relation: its name and a letter per column, n for number or s for symbol. Refuses,
# with the reason on standard error, an input that has no Soufflé version of the same meaning.
#
#   awk -v dir=FOLDER -v q="'" -f bench/to-souffle.awk INPUT
function refuse(why) { print why >"/dev/stderr"; refused = 1; exit 1 }
function identifier(text) { return text ~ /^[A-Za-z][A-Za-z0-9_]*$/ }
function is_string(term) { return substr(term, 1, 1) == q }
function is_number(term) { return term ~ /^[0-9]+$/ }
function term_type(term) { return is_string(term) ? "symbol" : is_number(term) ? "number" : "" }
# A rule term in Soufflé: a variable as it stands, a string between double quotes (the
# text after its first character up to its last, as dedb reads it), a number without
# its leading zeros.
function souffle_term(term,   text, i, c) {
    if (is_string(term)) {
        # Backslashes and double quotes escaped one character at a time, as awks differ
        # in what a backslash in the replacement of gsub means.
        text = "\""
        for (i = 2; i < length(term); i++) {
            c = substr(term, i, 1)
            text = text (c == "\\" || c == "\"" ? "\\" : "") c
        }
        return text "\""
    }
    if (is_number(term)) { sub(/^0+/, "", term); return term == "" ? "0" : term }
    if (!identifier(term)) refuse("variable " term " is no Soufflé identifier")
    return term
}
# Splits text at the commas outside quotes and parentheses into parts[1..n]; returns n.
function split_outside(text, parts,   n, i, c, depth, quoted, start) {
    n = 0; depth = 0; quoted = 0; start = 1
    for (i = 1; i <= length(text); i++) {
        c = substr(text, i, 1)
        if (c == q) quoted = !quoted
        else if (!quoted && c == "(") depth++
        else if (!quoted && c == ")") depth--
        else if (!quoted && depth == 0 && c == ",") {
            parts[++n] = substr(text, start, i - start); start = i + 1
        }
    }
    parts[++n] = substr(text, start)
    return n
}
# name(a,b) into name and args[1..n]; returns n.
function split_reference(text, args,   open, name) {
    open = index(text, "(")
    if (substr(text, length(text)) != ")") refuse("reference " text " is not closed")
    reference_name = substr(text, 1, open - 1)
    if (!identifier(reference_name)) refuse("name " reference_name " is no Soufflé identifier")
    return split(substr(text, open + 1, length(text) - open - 1), args, ",")
}
# Sets the type of variable v in the rule line under inference; a clash of types (a
# comparison dedb never satisfies, a type error for Soufflé) refuses.
function bind(v, type) {
    if (type == "" || is_string(v) || is_number(v)) return
    if (!(v in var_type)) { var_type[v] = type; progress = 1 }
    else if (var_type[v] != type) refuse("variable " v " is both a number and a string")
}
function infer(line,   k, i, key, left, right, t) {
    for (k = 1; k <= elements[line]; k++) {
        key = line SUBSEP k
        if (kind[key] == "ref") {
            for (i = 1; i <= arity[key]; i++) {
                # Reading an absent element would create it, empty.
                if ((target[key], i) in column_type) {
                    bind(arg[key, i], column_type[target[key], i])
                }
            }
        } else {
            left = cmp_left[key]; right = cmp_right[key]
            t = term_type(right)
            if (t != "") bind(left, t)
            else {
                if (left in var_type) bind(right, var_type[left])
                if (right in var_type) bind(left, var_type[right])
            }
        }
    }
}

section == 0 && $0 == "" { section = 1; header = 1; next }
section == 0 {
    arrow = index($0, "<-")
    if (arrow == 0) refuse("rule line without <-: " $0)
    lines++
    head = substr($0, 1, arrow - 1)
    count = split_reference(head, head_args)
    head_name[lines] = reference_name
    # A later line of a rule keeps the head variables of its first line.
    if (!(reference_name in first_line)) {
        first_line[reference_name] = lines
        rule_arity[reference_name] = count
        rule_order[++rules] = reference_name
        for (i = 1; i <= count; i++) first_head[reference_name, i] = head_args[i]
    }
    n = split_outside(substr($0, arrow + 2), parts)
    elements[lines] = n
    for (k = 1; k <= n; k++) {
        key = lines SUBSEP k
        element = parts[k]
        if (element ~ ("^[^<>=" q "]*[(]")) {
            kind[key] = "ref"
            arity[key] = split_reference(element, args)
            target[key] = reference_name
            for (i = 1; i <= arity[key]; i++) arg[key, i] = args[i]
        } else if (match(element, /(<=|>=|<|>|=)/)) {
            kind[key] = "cmp"
            cmp_left[key] = substr(element, 1, RSTART - 1)
            cmp_op[key] = substr(element, RSTART, RLENGTH)
            cmp_right[key] = substr(element, RSTART + RLENGTH)
        } else {
            refuse("element " element " is neither a reference nor a comparison")
        }
    }
    next
}
$0 == "" { header = 1; next }
header {
    header = 0
    columns = split_reference($0, args)
    relation = reference_name
    if (relation in stored_arity && stored_arity[relation] != columns) {
        refuse("two headers of " relation)
    }
    if (!(relation in stored_arity)) stored_order[++stored] = relation
    stored_arity[relation] = columns
    facts = dir "/facts/" relation ".facts"
    printf "" >facts
    next
}
{
    # Fields split at every comma, as dedb splits them; a string is what follows its
    # opening quote up to the last character.
    if (split($0, fields, ",") != columns) {
        refuse("a row of " relation " with another number of fields")
    }
    row = ""
    for (i = 1; i <= columns; i++) {
        field = fields[i]
        if (substr(field, 1, 1) == q) {
            type = "symbol"
            field = substr(field, 2, length(field) - 2)
            if (index(field, "\t")) refuse("a string of " relation " holds a tab")
        } else {
            type = "number"
            if (field !~ /^-?[0-9]+$/) refuse("integer " field " of " relation " is not plain")
        }
        if ((relation SUBSEP i) in column_type && column_type[relation, i] != type) {
            refuse("column " i " of " relation " holds integers and strings")
        }
        column_type[relation, i] = type
        row = row (i > 1 ? "\t" : "") field
    }
    print row >facts
}

END {
    if (refused) exit 1
    for (r = 1; r <= rules; r++) {
        if (rule_order[r] in stored_arity) refuse(rule_order[r] " is both stored and a rule")
    }
    for (line = 1; line <= lines; line++) {
        for (k = 1; k <= elements[line]; k++) {
            key = line SUBSEP k
            if (kind[key] != "ref") continue
            name = target[key]
            if (name in stored_arity) have = stored_arity[name]
            else if (name in rule_arity) have = rule_arity[name]
            else refuse(name " names no relation")
            if (have != arity[key]) {
                refuse("a reference to " name " with another number of columns")
            }
        }
    }
    # Column types of the rules, to a fixed point: a head column takes the type of its
    # variable, which takes the type of the columns it stands in and of what it is
    # compared with.
    do {
        changed = 0
        for (line = 1; line <= lines; line++) {
            delete var_type
            do { progress = 0; infer(line) } while (progress)
            name = head_name[line]
            for (i = 1; i <= rule_arity[name]; i++) {
                v = first_head[name, i]
                t = term_type(v)
                if (t == "" && v in var_type) t = var_type[v]
                if (t == "") continue
                if (!((name SUBSEP i) in column_type)) {
                    column_type[name, i] = t
                    changed = 1
                } else if (column_type[name, i] != t) {
                    refuse("column " i " of " name " would be a number and a string")
                }
            }
        }
    } while (changed)

    program = dir "/program.dl"
    list = dir "/columns"
    printf "" >list
    for (s = 1; s <= stored + rules; s++) {
        name = s <= stored ? stored_order[s] : rule_order[s - stored]
        count = s <= stored ? stored_arity[name] : rule_arity[name]
        if (count == 0) refuse(name " has no columns")
        declaration = ".decl " name "("
        letters = name
        for (i = 1; i <= count; i++) {
            if (!((name SUBSEP i) in column_type)) {
                # A stored relation without rows: any type reads none.
                if (s <= stored) column_type[name, i] = "number"
                else refuse("nothing gives column " i " of " name " a type")
            }
            declaration = declaration (i > 1 ? ", " : "") "c" i ":" column_type[name, i]
            letters = letters " " substr(column_type[name, i], 1, 1)
        }
        print declaration ")" >program
        print (s <= stored ? ".input " : ".output ") name >program
        print letters >list
    }
    for (line = 1; line <= lines; line++) {
        delete var_type
        delete bound
        do { progress = 0; infer(line) } while (progress)
        name = head_name[line]
        text = name "("
        for (i = 1; i <= rule_arity[name]; i++) {
            text = text (i > 1 ? ", " : "") souffle_term(first_head[name, i])
        }
        text = text ") :- "
        for (k = 1; k <= elements[line]; k++) {
            key = line SUBSEP k
            if (kind[key] != "ref") continue
            for (i = 1; i <= arity[key]; i++) {
                a = arg[key, i]
                if (term_type(a) != "" && term_type(a) != column_type[target[key], i]) {
                    refuse("a constant of the wrong type in a reference to " target[key])
                }
                bound[a] = 1
            }
        }
        # dedb applies comparisons with a constant in their order, then those of two
        # variables: the former assign the constant to a variable no reference binds
        # (with =, <= or >=), the latter hold only between bound variables.
        for (k = 1; k <= elements[line]; k++) {
            key = line SUBSEP k
            if (kind[key] != "cmp") continue
            if (term_type(cmp_left[key]) != "") refuse("a comparison with a constant on its left")
            if (term_type(cmp_right[key]) == "" || cmp_left[key] in bound) continue
            if (cmp_op[key] == "<" || cmp_op[key] == ">") {
                refuse("a strict comparison of an unbound variable")
            }
            cmp_op[key] = "="
            bound[cmp_left[key]] = 1
        }
        for (i = 1; i <= rule_arity[name]; i++) {
            v = first_head[name, i]
            if (term_type(v) == "" && !(v in bound)) refuse("nothing binds " v " in a rule of " name)
        }
        # A variable that stands once matches anything, like _ in Soufflé, which
        # spares a warning.
        delete uses
        for (i = 1; i <= rule_arity[name]; i++) uses[first_head[name, i]]++
        for (k = 1; k <= elements[line]; k++) {
            key = line SUBSEP k
            if (kind[key] == "ref") for (i = 1; i <= arity[key]; i++) uses[arg[key, i]]++
            else { uses[cmp_left[key]]++; uses[cmp_right[key]]++ }
        }
        body = ""
        for (k = 1; k <= elements[line]; k++) {
            key = line SUBSEP k
            if (kind[key] == "ref") {
                part = target[key] "("
                for (i = 1; i <= arity[key]; i++) {
                    a = arg[key, i]
                    a = uses[a] == 1 && term_type(a) == "" ? "_" : souffle_term(a)
                    part = part (i > 1 ? ", " : "") a
                }
                part = part ")"
            } else {
                left = cmp_left[key]; right = cmp_right[key]
                if (term_type(right) == "" && !((left in bound) && (right in bound))) {
                    refuse("a comparison of an unbound variable")
                }
                part = souffle_term(left) " " cmp_op[key] " " souffle_term(right)
            }
            body = body (k > 1 ? ", " : "") part
        }
        print text body "." >program
    }
}
