-- The history of every change to what pay is computed from: shift records, household and
-- average entries, timesheet rows, the reference lists, closed months and the production
-- calendar. Written by the database itself, in the writer's own transaction, whoever writes
-- (this program, a script, another system): a write that fails or is refused leaves no
-- history, and one that is written always does. Safe to run again.
--
-- Who: the login; the program adds the access role of its copy, the computer's and the
-- user's name, and the copy's own mark, for its own transaction with
-- set_config('tabel.who', 'access|computer|user|copy', true). A copy that cannot hear the
-- others' announcements reads their changes from here, leaving out those marked as its own.
-- A copy may also name what it does (set_config('tabel.action', 'rebuilt', true)).
-- The key is a random uuid: the table has no sequence a writer's lastval() could pick up.

SET client_min_messages = warning;

CREATE TABLE IF NOT EXISTS accounts_dep.change_log (
    id         uuid PRIMARY KEY DEFAULT gen_random_uuid(),
    at         timestamptz NOT NULL DEFAULT now(),            -- the transaction's time
    logged     timestamptz NOT NULL DEFAULT clock_timestamp(), -- the order within it
    table_name text NOT NULL,
    row_id     text NOT NULL,
    action     text NOT NULL,
    before     jsonb,
    after      jsonb,
    day        date,  -- the day (or the first of the month) the row belongs to
    login      text NOT NULL DEFAULT session_user,
    access     text,
    computer   text,
    os_user    text
);
-- the copy that wrote (null: another program, or a copy of an earlier version)
ALTER TABLE accounts_dep.change_log ADD COLUMN IF NOT EXISTS copy text;
CREATE INDEX IF NOT EXISTS change_log_row ON accounts_dep.change_log (table_name, row_id);
CREATE INDEX IF NOT EXISTS change_log_at ON accounts_dep.change_log (at);
CREATE INDEX IF NOT EXISTS change_log_day ON accounts_dep.change_log (day, table_name);

-- Writes a history row for the row a trigger fired for.
CREATE OR REPLACE FUNCTION accounts_dep.tabel_log_change() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog AS $$
DECLARE
    o jsonb := CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END;
    n jsonb := CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END;
    r jsonb := coalesce(n, o);
    b jsonb;
    a jsonb;
    k text;
    changed text[] := '{}';
    act text;
    who text[] := string_to_array(coalesce(current_setting('tabel.who', true), ''), '|');
    named text := nullif(current_setting('tabel.action', true), '');
    key text;
    d date;
BEGIN
    -- a rebuild replaces a month's timesheet rows: each row it writes is recorded once, as
    -- rebuilt, with what it holds
    IF TG_OP = 'DELETE' AND named = 'rebuilt' AND TG_TABLE_NAME = 'h_tabel' THEN
        RETURN NULL;
    END IF;
    IF TG_OP = 'UPDATE' THEN
        b := '{}';
        a := '{}';
        FOR k IN SELECT jsonb_object_keys(n) LOOP
            IF (o -> k) IS DISTINCT FROM (n -> k) THEN
                b := b || jsonb_build_object(k, o -> k);
                a := a || jsonb_build_object(k, n -> k);
                IF k <> 'vvod' THEN changed := changed || k; END IF;
            END IF;
        END LOOP;
        -- a record or entry written as it was is still a write someone made; a timesheet row
        -- or list row posted unchanged is not
        IF cardinality(changed) = 0 AND TG_TABLE_NAME NOT IN ('smena', 'fatigue') THEN
            RETURN NULL;
        END IF;
    ELSE
        b := o;
        a := n;
    END IF;

    IF TG_TABLE_NAME = 'closed_month' THEN
        key := (r ->> 'year') || '-' || lpad(r ->> 'month', 2, '0');
        d := make_date((r ->> 'year')::int, (r ->> 'month')::int, 1);
        act := CASE TG_OP WHEN 'INSERT' THEN 'closed' WHEN 'DELETE' THEN 'opened' ELSE 'changed' END;
    ELSE
        key := CASE WHEN TG_TABLE_NAME = 'production_calendar' THEN r ->> 'd_day' ELSE r ->> 'id' END;
        d := CASE TG_TABLE_NAME
                 WHEN 'smena' THEN (r ->> 'data')::date
                 WHEN 'fatigue' THEN (r ->> 'd_date')::date
                 WHEN 'production_calendar' THEN (r ->> 'd_day')::date
                 WHEN 'h_tabel' THEN make_date((r ->> 'year')::int, (r ->> 'month')::int, 1)
             END;
        act := CASE TG_OP WHEN 'INSERT' THEN 'added' WHEN 'DELETE' THEN 'deleted' ELSE 'changed' END;
        IF TG_OP = 'UPDATE' AND TG_TABLE_NAME = 'smena' AND changed = ARRAY['ok'] THEN
            act := CASE WHEN n ->> 'ok' IS DISTINCT FROM 'no' THEN 'accepted' ELSE 'unaccepted' END;
        ELSIF TG_OP = 'UPDATE' AND TG_TABLE_NAME = 'fatigue' AND changed = ARRAY['price'] THEN
            act := 'priced';
        END IF;
        IF named IS NOT NULL AND TG_TABLE_NAME = 'h_tabel' THEN
            act := named;
        END IF;
    END IF;

    INSERT INTO accounts_dep.change_log (table_name, row_id, action, before, after, day, login,
                                         access, computer, os_user, copy)
    VALUES (TG_TABLE_NAME, key, act, b, a, d, session_user, nullif(who[1], ''),
            nullif(who[2], ''), nullif(who[3], ''), nullif(who[4], ''));
    RETURN NULL;
END $$;

-- Refuses a change or deletion of the history to everyone but its owner.
CREATE OR REPLACE FUNCTION accounts_dep.tabel_log_kept() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog AS $$
BEGIN
    IF NOT pg_has_role(current_user, (SELECT relowner FROM pg_class WHERE oid = TG_RELID), 'MEMBER') THEN
        RAISE EXCEPTION 'история изменений не меняется и не удаляется'
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END;
END $$;

DO $$
DECLARE
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['accounts_dep.smena', 'accounts_dep.fatigue', 'accounts_dep.h_tabel',
                             'accounts_dep.person', 'accounts_dep.vid_oper', 'accounts_dep.oper',
                             'accounts_dep.norm', 'accounts_dep.closed_month',
                             'accounts_dep.production_calendar',
                             'cmn_gds_and_srv.gds_and_srv'] LOOP
        IF to_regclass(t) IS NOT NULL THEN
            EXECUTE format('DROP TRIGGER IF EXISTS tabel_change_log ON %s', t);
            EXECUTE format('CREATE TRIGGER tabel_change_log AFTER INSERT OR UPDATE OR DELETE ON %s '
                           'FOR EACH ROW EXECUTE FUNCTION accounts_dep.tabel_log_change()', t);
        END IF;
    END LOOP;
    DROP TRIGGER IF EXISTS tabel_change_log_kept ON accounts_dep.change_log;
    CREATE TRIGGER tabel_change_log_kept BEFORE UPDATE OR DELETE ON accounts_dep.change_log
        FOR EACH ROW EXECUTE FUNCTION accounts_dep.tabel_log_kept();
END $$;

-- The program's groups (sql/upgrade/roles.sql), where they are made: everyone reads the
-- history; nobody writes it but the triggers above.
DO $$
BEGIN
    REVOKE ALL ON accounts_dep.change_log FROM PUBLIC;
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_read') THEN
        GRANT SELECT ON accounts_dep.change_log TO tabel_read;
    END IF;
END $$;
