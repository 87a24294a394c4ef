-- Personal logins for the program, and the rules the database itself enforces for them.
--
-- Run once by a database administrator (the owner of the accounts_dep tables, or a
-- superuser), with psql, in the database the program works on:
--
--     psql -h SERVER -U sys -d korvast -v ON_ERROR_STOP=1 -f sql/upgrade/roles.sql
--
-- It may be run again at any time (after a new version of the program, or after another
-- upgrade script): it makes what is missing and sets every right anew.
--
-- What it does:
--   1. Makes four group roles (they cannot log in themselves), each with the least rights
--      the program's windows need for that kind of work:
--        tabel_read    looks only: reads what the program shows;
--        tabel_report  prints reports: reads, like tabel_read;
--        tabel_entry   data entry: adds shift records (only unaccepted ones, with the timesheet
--                      cells they post), keeps household and average piece-rate entries and
--                      prices the average entries of a month;
--        tabel_full    full access: everything the program writes (records and their
--                      acceptance, the timesheet and its rebuild, closing and opening months,
--                      the reference lists, products in cmn_gds_and_srv.gds_and_srv, the
--                      version stamp).
--      No group may create, alter or drop anything, make temporary tables, or touch a schema
--      the program does not read.
--   2. Makes the database refuse, for every login but the tables' owner, a write into a closed
--      month and more hours than a day holds (24 in a timesheet cell, in one record or entry,
--      and in the records or entries of one worker's cell together) in accounts_dep.smena,
--      accounts_dep.fatigue and accounts_dep.h_tabel; and a shift record added or changed
--      with an acceptance mark by anyone but full access.
--   3. Takes the right to make temporary tables in this database away from PUBLIC and gives
--      it back by name to every login that had it through PUBLIC and is not one of the
--      program's; a login made later for another program needs
--      "grant temp on database <db> to <login>" if it makes temporary tables.
--
-- Adding a person (the program then asks for the person's password and takes the person's
-- role from the group):
--
--     create role ivanova login password '…' in role tabel_entry;
--
-- Changing a person's role:   revoke tabel_entry from ivanova; grant tabel_full to ivanova;
-- Taking a person's access:   drop role ivanova;
-- The person starts the program as   tabel korvast SERVER --user ivanova
-- (or with PGUSER=ivanova set). A database that has not run this script keeps working with
-- the program's built-in connection exactly as before.

\set ON_ERROR_STOP 1
-- the months the triggers below look at, and the days off the program reads and full access sets
\ir closed_month.sql
\ir production_calendar.sql
-- the history every write leaves, which every group reads and none changes
\ir change_log.sql
-- the heading of the printed timesheets, which full access sets
\ir settings.sql

BEGIN;

-- 1. Group roles. Roles belong to the whole server: a second database prepared on the same
-- server uses the same groups.
DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['tabel_read', 'tabel_report', 'tabel_entry', 'tabel_full'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            BEGIN
                EXECUTE format('CREATE ROLE %I NOLOGIN', r);
            EXCEPTION WHEN duplicate_object OR unique_violation THEN
                NULL; -- made meanwhile by the same script in another database
            END;
        END IF;
        -- members take the group's rights (and tabel_read's through it) without SET ROLE
        EXECUTE format('ALTER ROLE %I NOLOGIN INHERIT NOSUPERUSER NOCREATEDB NOCREATEROLE '
                       'NOREPLICATION NOBYPASSRLS', r);
    END LOOP;
END $$;

-- The groups that only add to reading read through tabel_read.
GRANT tabel_read TO tabel_report, tabel_entry, tabel_full;

-- Nothing but what follows: the rights are set anew on every run.
DO $$
DECLARE
    s text;
BEGIN
    FOREACH s IN ARRAY ARRAY['accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv',
                             'cmn_classifier', 'cmn_department', 'hrms_staffpos', 'adm_role'] LOOP
        EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I FROM tabel_read, tabel_report, '
                       'tabel_entry, tabel_full', s);
        EXECUTE format('REVOKE ALL ON ALL SEQUENCES IN SCHEMA %I FROM tabel_read, '
                       'tabel_report, tabel_entry, tabel_full', s);
        EXECUTE format('REVOKE ALL ON SCHEMA %I FROM tabel_read, tabel_report, tabel_entry, '
                       'tabel_full', s);
    END LOOP;
    -- column rights are not taken by REVOKE ALL ON ALL TABLES
    EXECUTE (SELECT coalesce(string_agg(format('REVOKE ALL (%I) ON %I.%I FROM %I', a.attname,
                                               n.nspname, c.relname, g.rolname), '; '),
                             'SELECT 1')
               FROM pg_attribute a
               JOIN pg_class c ON c.oid = a.attrelid
               JOIN pg_namespace n ON n.oid = c.relnamespace
               CROSS JOIN (SELECT rolname FROM pg_roles
                            WHERE rolname IN ('tabel_read', 'tabel_report', 'tabel_entry',
                                              'tabel_full')) g
              WHERE a.attacl IS NOT NULL AND a.attnum > 0
                AND n.nspname IN ('cmn_contractor', 'cmn_gds_and_srv', 'accounts_dep'));
END $$;

-- Reading: the department's own schema whole; of the resource-planning system what the
-- program reads (whole tables where it lists them whole, otherwise the columns it uses).
GRANT USAGE ON SCHEMA accounts_dep, cmn_contractor, cmn_gds_and_srv, cmn_classifier,
    cmn_department, hrms_staffpos, adm_role TO tabel_read;
GRANT SELECT ON ALL TABLES IN SCHEMA accounts_dep TO tabel_read;
GRANT SELECT (id, s_caption, s_code) ON cmn_contractor.person TO tabel_read;
GRANT SELECT (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
    ON cmn_gds_and_srv.gds_and_srv TO tabel_read;
GRANT SELECT ON cmn_classifier.item, cmn_department.department, hrms_staffpos.staffpos,
    adm_role.roles TO tabel_read;

-- Data entry: shift records are added (accepting, changing and deleting them is full
-- access's), their timesheet cells are posted; household and average entries are kept.
GRANT INSERT ON accounts_dep.smena TO tabel_entry;
GRANT INSERT, UPDATE ON accounts_dep.h_tabel TO tabel_entry;
GRANT INSERT, UPDATE, DELETE ON accounts_dep.fatigue TO tabel_entry;
GRANT USAGE ON SEQUENCE accounts_dep.smena_id_seq, accounts_dep.h_tabel_id_seq,
    accounts_dep.fatigue_id_seq TO tabel_entry;

-- Full access: everything the program writes.
GRANT INSERT, UPDATE, DELETE ON accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.fatigue,
    accounts_dep.person, accounts_dep.vid_oper, accounts_dep.oper, accounts_dep.norm,
    accounts_dep.ver, accounts_dep.closed_month, accounts_dep.production_calendar,
    accounts_dep.settings TO tabel_full;
GRANT INSERT (s_caption, s_description, id_msm_bs, massa, id_class_item),
      UPDATE (s_caption, s_description, id_msm_bs, massa, id_class_item)
    ON cmn_gds_and_srv.gds_and_srv TO tabel_full;
GRANT DELETE ON cmn_gds_and_srv.gds_and_srv TO tabel_full;
GRANT USAGE ON ALL SEQUENCES IN SCHEMA accounts_dep TO tabel_full;
GRANT USAGE ON SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq TO tabel_full;

-- No group creates anything: not in a schema, not a temporary table. What PUBLIC loses here
-- the logins that had it through PUBLIC keep, by name.
DO $$
DECLARE
    db text := current_database();
    others text;
BEGIN
    SELECT string_agg(quote_ident(r.rolname), ', ') INTO others
      FROM pg_roles r
     WHERE r.rolcanlogin AND NOT r.rolsuper
       AND NOT EXISTS (SELECT 1 FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid
                        WHERE m.member = r.oid AND g.rolname LIKE 'tabel\_%');
    IF has_database_privilege('public', db, 'TEMP') THEN
        IF others IS NOT NULL THEN
            EXECUTE format('GRANT TEMP ON DATABASE %I TO %s', db, others);
        END IF;
        EXECUTE format('REVOKE TEMP ON DATABASE %I FROM PUBLIC', db);
    END IF;
    IF has_schema_privilege('public', 'public', 'CREATE') THEN
        IF others IS NOT NULL THEN
            EXECUTE format('GRANT CREATE ON SCHEMA public TO %s', others);
        END IF;
        REVOKE CREATE ON SCHEMA public FROM PUBLIC;
    END IF;
    EXECUTE format('REVOKE ALL ON DATABASE %I FROM tabel_read, tabel_report, tabel_entry, '
                   'tabel_full', db);
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO tabel_read, tabel_report, tabel_entry, '
                   'tabel_full', db);
END $$;

-- 2. The rules on the pay tables.

-- Whether the rules hold for the current login on a table: for everyone but its owner (and
-- the superusers, who are members of every role).
CREATE OR REPLACE FUNCTION accounts_dep.tabel_rules_apply(tbl regclass) RETURNS boolean
LANGUAGE sql STABLE SET search_path = pg_catalog AS $$
    SELECT NOT pg_has_role(current_user, c.relowner, 'MEMBER')
      FROM pg_class c WHERE c.oid = tbl
$$;

-- Refuses a month that is closed.
CREATE OR REPLACE FUNCTION accounts_dep.tabel_refuse_closed(y integer, m integer) RETURNS void
LANGUAGE plpgsql STABLE SET search_path = pg_catalog AS $$
BEGIN
    IF y IS NOT NULL AND m IS NOT NULL
       AND EXISTS (SELECT 1 FROM accounts_dep.closed_month c WHERE c.year = y AND c.month = m) THEN
        RAISE EXCEPTION 'месяц %.% закрыт, изменения в нём запрещены', lpad(m::text, 2, '0'), y
            USING ERRCODE = 'insufficient_privilege';
    END IF;
END $$;

-- Refuses more hours than a day holds.
CREATE OR REPLACE FUNCTION accounts_dep.tabel_refuse_hours(hours bigint, what text)
RETURNS void LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog AS $$
BEGIN
    IF hours IS NOT NULL AND (hours < 0 OR hours > 24) THEN
        RAISE EXCEPTION '% — % ч, а в дне не больше 24 ч', what, hours
            USING ERRCODE = 'check_violation';
    END IF;
END $$;

CREATE OR REPLACE FUNCTION accounts_dep.tabel_smena_rules() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog AS $$
DECLARE
    others bigint;
BEGIN
    IF NOT accounts_dep.tabel_rules_apply(TG_RELID) THEN
        RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END;
    END IF;
    IF TG_OP <> 'INSERT' THEN
        PERFORM accounts_dep.tabel_refuse_closed(extract(year FROM OLD.data)::int,
                                                 extract(month FROM OLD.data)::int);
    END IF;
    IF TG_OP = 'DELETE' THEN
        RETURN OLD;
    END IF;
    PERFORM accounts_dep.tabel_refuse_closed(extract(year FROM NEW.data)::int,
                                             extract(month FROM NEW.data)::int);
    IF NOT pg_has_role(current_user, 'tabel_full', 'MEMBER')
       AND (CASE WHEN TG_OP = 'INSERT' THEN NEW.ok IS DISTINCT FROM 'no'
                 ELSE NEW.ok IS DISTINCT FROM OLD.ok END) THEN
        RAISE EXCEPTION 'принимать записи может только полный доступ'
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    IF TG_OP = 'INSERT' OR (NEW.w_id, NEW.data, NEW.smena, NEW.time)
                           IS DISTINCT FROM (OLD.w_id, OLD.data, OLD.smena, OLD.time) THEN
        PERFORM accounts_dep.tabel_refuse_hours(NEW.time, 'часы записи');
        SELECT coalesce(sum(coalesce(s.time, 0)), 0) INTO others
          FROM accounts_dep.smena s
         WHERE s.w_id = NEW.w_id AND s.data = NEW.data AND s.smena = NEW.smena
           AND s.id IS DISTINCT FROM NEW.id
           AND (TG_OP = 'INSERT' OR s.id IS DISTINCT FROM OLD.id);
        PERFORM accounts_dep.tabel_refuse_hours(others + coalesce(NEW.time, 0),
                                                'часы работника за смену и день');
    END IF;
    RETURN NEW;
END $$;

CREATE OR REPLACE FUNCTION accounts_dep.tabel_fatigue_rules() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog AS $$
DECLARE
    others bigint;
BEGIN
    IF NOT accounts_dep.tabel_rules_apply(TG_RELID) THEN
        RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END;
    END IF;
    IF TG_OP <> 'INSERT' THEN
        PERFORM accounts_dep.tabel_refuse_closed(extract(year FROM OLD.d_date)::int,
                                                 extract(month FROM OLD.d_date)::int);
    END IF;
    IF TG_OP = 'DELETE' THEN
        RETURN OLD;
    END IF;
    PERFORM accounts_dep.tabel_refuse_closed(extract(year FROM NEW.d_date)::int,
                                             extract(month FROM NEW.d_date)::int);
    IF TG_OP = 'INSERT' OR (NEW.id_p, NEW.id_o, NEW.i_night, NEW.d_date, NEW.cnt)
                           IS DISTINCT FROM (OLD.id_p, OLD.id_o, OLD.i_night, OLD.d_date, OLD.cnt) THEN
        PERFORM accounts_dep.tabel_refuse_hours(NEW.cnt, 'часы работ');
        SELECT coalesce(sum(coalesce(f.cnt, 0)), 0) INTO others
          FROM accounts_dep.fatigue f
         WHERE f.id_p = NEW.id_p AND f.id_o = NEW.id_o AND f.d_date = NEW.d_date
           AND coalesce(f.i_night, 0) = coalesce(NEW.i_night, 0)
           AND f.id IS DISTINCT FROM NEW.id
           AND (TG_OP = 'INSERT' OR f.id IS DISTINCT FROM OLD.id);
        PERFORM accounts_dep.tabel_refuse_hours(others + coalesce(NEW.cnt, 0),
                                                'часы работника за день');
    END IF;
    RETURN NEW;
END $$;

CREATE OR REPLACE FUNCTION accounts_dep.tabel_h_tabel_rules() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog AS $$
DECLARE
    now_cells jsonb;
    was_cells jsonb;
    day int;
BEGIN
    IF NOT accounts_dep.tabel_rules_apply(TG_RELID) THEN
        RETURN CASE WHEN TG_OP = 'DELETE' THEN OLD ELSE NEW END;
    END IF;
    IF TG_OP <> 'INSERT' THEN
        PERFORM accounts_dep.tabel_refuse_closed(OLD.year, OLD.month);
    END IF;
    IF TG_OP = 'DELETE' THEN
        RETURN OLD;
    END IF;
    PERFORM accounts_dep.tabel_refuse_closed(NEW.year, NEW.month);
    -- the cells it writes; a cell it leaves as it was is not judged again
    now_cells := to_jsonb(NEW);
    was_cells := CASE WHEN TG_OP = 'UPDATE' THEN to_jsonb(OLD) ELSE '{}'::jsonb END;
    FOR day IN 1..31 LOOP
        IF now_cells -> ('d' || day) IS DISTINCT FROM was_cells -> ('d' || day) THEN
            PERFORM accounts_dep.tabel_refuse_hours((now_cells ->> ('d' || day))::bigint,
                                                    'ячейка табеля за ' || day || '-е число');
        END IF;
    END LOOP;
    RETURN NEW;
END $$;

DROP TRIGGER IF EXISTS tabel_rules ON accounts_dep.smena;
CREATE TRIGGER tabel_rules BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.smena
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.tabel_smena_rules();
DROP TRIGGER IF EXISTS tabel_rules ON accounts_dep.fatigue;
CREATE TRIGGER tabel_rules BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.fatigue
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.tabel_fatigue_rules();
DROP TRIGGER IF EXISTS tabel_rules ON accounts_dep.h_tabel;
CREATE TRIGGER tabel_rules BEFORE INSERT OR UPDATE OR DELETE ON accounts_dep.h_tabel
    FOR EACH ROW EXECUTE FUNCTION accounts_dep.tabel_h_tabel_rules();

COMMIT;
